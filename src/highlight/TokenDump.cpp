#include "highlight/TokenDump.h"

#include "highlight/FountainParser.h"

namespace korvel {
namespace {

class TDumpSink : public TFountainTokenSink {
public:
    TDumpSink(const TFountain& fountain, QStringView row, TTokenDumpKind kind, QString& out)
        : FFountain(fountain), FRow(row), FKind(kind), FOut(out)
    {
    }

    void Token(const TFountainToken& token) override
    {
        QString name;
        if (FKind == tdCode)
            name = QString::number(token.Code);
        else
            name = token.Color ? FFountain.ColorItemName(token.Color) : QStringLiteral("none");
        if (name.isEmpty())
            name = QStringLiteral("?");
        FOut += u'<';
        FOut += name;
        FOut += u'>';
        FOut += FRow.mid(token.Start, token.Length);
        FOut += u"</";
        FOut += name;
        FOut += u'>';
    }

private:
    const TFountain& FFountain;
    QStringView FRow;
    TTokenDumpKind FKind;
    QString& FOut;
};

} // namespace

QString DumpTokens(TFountain& fountain, const QStringList& rows, TTokenDumpKind kind)
{
    const std::unique_ptr<TFountainParser> parser = fountain.CreateParser();
    QString out;
    TRowAttributeData state;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (i > 0)
            out += u'\n';
        state.RowAttribute = i + 1 < rows.size() ? raCrlf : raEof;
        TDumpSink sink(fountain, rows.at(i), kind, out);
        state = parser->ScanRow(rows.at(i), state, &sink);
    }
    return out;
}

} // namespace korvel
