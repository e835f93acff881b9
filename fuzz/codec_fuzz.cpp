// Fuzz target for the lossless scanner, the property text codec and the hex
// extraction. Checks, besides the absence of crashes, leaks and hangs:
// - the scanner's tokens are non-empty and joined give the text back;
// - DecodeText and EncodeText keep the meaning of the text: rescanned, their
//   output has the same tokens outside runs and the same value for every run;
// - both are idempotent, and decoding an encoded text gives the decoded text;
// - the hex extraction agrees with the regular expressions it stands for.
#include "document/BinaryExtraction.h"
#include "document/DfmParser.h"
#include "document/PropRec.h"
#include "document/PropertyCodec.h"
#include "errors/Errors.h"

#include <QRegularExpression>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using namespace korvel;

#define check(condition) ((condition) ? void() : fail(#condition, __LINE__))

[[noreturn]] void fail(const char* what, int line)
{
    fprintf(stderr, "check failed at line %d: %s\n", line, what);
    abort();
}

// Characters that make form-text structure likely.
const char16_t kAlphabet[] = {u'\'', u'#', u'$', u'0', u'1', u'2', u'3', u'5', u'9', u'A', u'a', u'E', u'e', u'F', u'f',
    u'G', u'x', u'_', u'.', u'+', u'-', u'/', u' ', u'\t', u'\r', u'\n', u'\r', u'\n', u'=', u'(', u')', u'{', u'}',
    u'\x7F', u'\u00E9', u'\u3042', u'\uFEFF', char16_t(0xD83D), char16_t(0xDE00), char16_t(0xDC80), u'\u3000', u'\0'};

QString makeText(const uint8_t* data, size_t size)
{
    if (size == 0)
        return QString();
    const uint8_t mode = data[0] % 4;
    ++data;
    --size;
    switch (mode) {
    case 0:
        return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    case 1: {
        QString text(qsizetype(size / 2), Qt::Uninitialized);
        for (size_t i = 0; i + 1 < size; i += 2)
            text[qsizetype(i / 2)] = QChar(char16_t(data[i] | (data[i + 1] << 8)));
        return text;
    }
    case 2:
        return QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    default: {
        QString text(qsizetype(size), Qt::Uninitialized);
        const size_t n = sizeof kAlphabet / sizeof kAlphabet[0];
        for (size_t i = 0; i < size; ++i)
            text[qsizetype(i)] = QChar(kAlphabet[data[i] % n]);
        return text;
    }
    }
}

void checkScanner(const QString& text)
{
    TDfmParser scanner(text);
    qsizetype pos = 0;
    while (scanner.Token() != dfmEndOfText) {
        const char16_t code = scanner.Token();
        check(code == dfmSymbol || code == dfmString || code == dfmInteger || code == dfmFloat || code == dfmComment
            || code == dfmIdentifier || code == dfmCharCode || code == dfmControlChar || code == dfmLineBreak);
        const QStringView token = scanner.TokenView();
        check(!token.isEmpty());
        check(scanner.SourcePos() == pos);
        check(token == QStringView(text).sliced(pos, token.size()));
        pos += token.size();
        // Only the last token can be a string cut off by the end of the text.
        check(scanner.StringTerminated() || pos == text.size());
        scanner.NextToken();
    }
    check(pos == text.size());
    check(scanner.NextToken() == dfmEndOfText);

    // Skipping to strings and codes finds exactly the tokens a full walk finds.
    TDfmParser all(text);
    TDfmParser skipping(text);
    if (skipping.Token() != dfmString && skipping.Token() != dfmCharCode)
        skipping.NextStringOrCharCode();
    for (;;) {
        while (all.Token() != dfmEndOfText && all.Token() != dfmString && all.Token() != dfmCharCode)
            all.NextToken();
        check(all.Token() == skipping.Token());
        check(all.SourcePos() == skipping.SourcePos());
        check(all.TokenView() == skipping.TokenView());
        if (all.Token() == dfmEndOfText)
            break;
        all.NextToken();
        skipping.NextStringOrCharCode();
    }
}

// The value of a character code, by the codec's rules.
char16_t codeValue(QStringView token)
{
    uint64_t value = 0;
    if (token.size() > 1 && token[1] == u'$') {
        for (QChar c : token.sliced(2)) {
            const char16_t u = c.unicode();
            value = value * 16 + (u <= u'9' ? u - u'0' : (u | 0x20) - u'a' + 10);
            if (value > 0xFFFFFFFFu)
                return 0;
        }
    } else {
        for (QChar c : token.sliced(1)) {
            value = value * 10 + (c.unicode() - u'0');
            if (value > 2147483647u)
                return 0;
        }
    }
    return char16_t(value);
}

// The meaning of a text: its tokens outside runs as code + text, every run as
// its value, and a run that holds an unterminated string as its text.
QStringList meaning(const QString& text)
{
    QStringList items;
    TDfmParser scanner(text);
    while (scanner.Token() != dfmEndOfText) {
        if (scanner.Token() != dfmString && scanner.Token() != dfmCharCode) {
            items << QString(QChar(scanner.Token())) + scanner.TokenString();
            scanner.NextToken();
            continue;
        }
        const int64_t start = scanner.SourcePos();
        QString value;
        bool unterminated = false;
        while (scanner.Token() == dfmString || scanner.Token() == dfmCharCode) {
            const QStringView token = scanner.TokenView();
            if (scanner.Token() == dfmCharCode) {
                value += QChar(codeValue(token));
            } else if (!scanner.StringTerminated()) {
                unterminated = true;
            } else {
                value += token.sliced(1, token.size() - 2).toString().replace(QLatin1String("''"), QLatin1String("'"));
            }
            scanner.NextToken();
        }
        items << (unterminated ? QStringLiteral("U") + text.mid(start) : QStringLiteral("R") + value);
    }
    return items;
}

void checkCodec(const QString& text)
{
    const QString decoded = DecodeText(text);
    const QString encoded = EncodeText(text);
    const QString lines = text.isEmpty() || text.endsWith(QLatin1String("\r\n")) ? text : text + QLatin1String("\r\n");
    const QStringList expected = meaning(lines);
    check(meaning(decoded) == expected);
    check(meaning(encoded) == expected);
    check(DecodeText(decoded) == decoded);
    check(EncodeText(encoded) == encoded);
    check(DecodeText(encoded) == decoded);
    // Encoded text holds nothing from 128 up inside strings (unless a string
    // that is never closed made its run pass through as written).
    TDfmParser scanner(encoded);
    QString quoted;
    for (; scanner.Token() != dfmEndOfText; scanner.NextToken()) {
        if (scanner.Token() == dfmString && !scanner.StringTerminated())
            return;
        if (scanner.Token() == dfmString)
            quoted += scanner.TokenView();
    }
    for (QChar c : quoted)
        check(c.unicode() < 128);
}

void checkNodeProperties(const QString& text, const uint8_t* data, size_t size)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    const QStringList lines = text.split(lineBreak);
    TPROPREC rec;
    rec.BeginLine = size > 1 ? data[1] % 8 : 0;
    rec.EndLine = size > 2 ? data[2] % 16 : 0;
    rec.Indent = size > 3 ? (data[3] % 2 ? 0xFFFFFFFFu : data[3] % 8) : 0;
    const QString props = GetNodeProperties(lines, &rec);
    check(props.size() <= text.size() + 2 * 16);
}

// The extraction must agree with the two regular expressions it replaces.
void checkHex(const QString& text)
{
    const auto bytes = ExtractSelectedHex(text);
    if (!text.isValidUtf16())
        return;
    static const QRegularExpression run(
        QStringLiteral("(?<BIN>([0-9A-Fa-f]|\\s){2,})"), QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression space(
        QStringLiteral("(?<SPACE>\\s)"), QRegularExpression::UseUnicodePropertiesOption);
    const QRegularExpressionMatch match = run.match(text);
    QString digits = match.hasMatch() ? match.captured(QStringLiteral("BIN")) : QString();
    digits.remove(space);
    QByteArray expected;
    for (qsizetype i = 0; i + 1 < digits.size(); i += 2)
        expected.append(char(QStringView(digits).sliced(i, 2).toUInt(nullptr, 16)));
    check(bytes.has_value() == !expected.isEmpty());
    check(bytes.value_or(QByteArray()) == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 16)
        return 0;
    try {
        const QString text = makeText(data, size);
        checkScanner(text);
        checkCodec(text);
        checkNodeProperties(text, data, size);
        checkHex(text);
    } catch (const korvel::EKorvelError&) {
        // The codec raises none; any error here would still be no crash.
    }
    return 0;
}
