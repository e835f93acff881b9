// Helpers shared by the highlighter tests: one-row scans as <kind>text</kind>
// dumps, and the state they leave for the next row.
#pragma once

#include "highlight/DFMFountain.h"
#include "highlight/FountainParser.h"
#include "highlight/TokenDump.h"

#include <QString>
#include <QStringList>

#include <string>
#include <utility>

namespace korvel::test {

// Text form of a string for test expectations (UTF-8).
inline std::string utf8(const QString& s)
{
    return s.toStdString();
}

// Splits a test text at '\n' into rows.
inline QStringList rowsOf(const char16_t* text)
{
    return QString::fromUtf16(text).split(u'\n');
}

// Collects one row's tokens as <kind>text</kind>.
class TTextSink : public TFountainTokenSink {
public:
    TTextSink(const TFountain& fountain, QStringView row, TTokenDumpKind kind)
        : FFountain(fountain), FRow(row), FKind(kind)
    {
    }

    void Token(const TFountainToken& token) override
    {
        const QString name = FKind == tdCode ? QString::number(token.Code)
            : token.Color                    ? FFountain.ColorItemName(token.Color)
                                             : QStringLiteral("none");
        Text += QStringLiteral("<%1>%2</%1>").arg(name, FRow.mid(token.Start, token.Length).toString());
    }

    QString Text;

private:
    const TFountain& FFountain;
    QStringView FRow;
    TTokenDumpKind FKind;
};

// Scans one row from state with a fresh scanner: the dump and the next row's state.
inline std::pair<std::string, TRowAttributeData> scanOne(
    TFountain& fountain, const QString& row, const TRowAttributeData& state = {}, TTokenDumpKind kind = tdColor)
{
    const auto parser = fountain.CreateParser();
    TTextSink sink(fountain, row, kind);
    TRowAttributeData next = parser->ScanRow(row, state, &sink);
    return {utf8(sink.Text), next};
}

} // namespace korvel::test
