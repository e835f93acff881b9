#include "document/PropertyCodec.h"

#include "convert/HexDigit.h"
#include "document/DfmParser.h"
#include "document/PropRec.h"

#include <algorithm>
#include <cstdint>

namespace korvel {
namespace {

constexpr char16_t kQuote = u'\'';

// The code unit a character-code token stands for. Decimal values above
// 2147483647, hexadecimal values of more than eight significant digits and codes
// without digits count as 0; only the low 16 bits of the value are kept.
char16_t charCodeValue(QStringView token) noexcept
{
    const char16_t* p = token.utf16() + 1;
    const char16_t* const end = token.utf16() + token.size();
    uint64_t value = 0;
    if (p < end && *p == u'$') {
        for (++p; p < end; ++p) {
            value = value * 16 + uint64_t(HexDigitValue(*p));
            if (value > 0xFFFFFFFFu)
                return 0;
        }
    } else {
        for (; p < end; ++p) {
            value = value * 10 + uint64_t(*p - u'0');
            if (value > 2147483647u)
                return 0;
        }
    }
    return char16_t(value & 0xFFFFu);
}

void appendDecimal(QString& out, uint32_t value)
{
    char16_t buf[10];
    int n = 0;
    do {
        buf[n++] = char16_t(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n > 0)
        out.append(QChar(buf[--n]));
}

// Writes one run (adjacent strings and character codes) in its rewritten form.
// Quoted pieces are merged as they are written: a piece that follows an open
// quote continues it, so no apostrophes elsewhere on the line are ever touched.
class RunWriter {
public:
    explicit RunWriter(QString& out) : FOut(out), FStart(out.size()) { }

    // Appends characters inside quotes; apostrophes in them must already be doubled.
    void quoted(QStringView doubledText)
    {
        if (doubledText.isEmpty())
            return;
        openQuote();
        FOut.append(doubledText);
    }
    void quotedChar(char16_t c)
    {
        openQuote();
        FOut.append(QChar(c));
        if (c == kQuote)
            FOut.append(QChar(kQuote));
    }
    // Appends a character code in decimal.
    void code(uint32_t value)
    {
        closeQuote();
        FOut.append(QChar(u'#'));
        appendDecimal(FOut, value);
        FLastCode = LastCode::Decimal;
    }
    // Appends a character-code token as it was written.
    void verbatimCode(QStringView token)
    {
        closeQuote();
        FOut.append(token);
        FLastCode = token.size() == 1 ? LastCode::Bare : token[1] == u'$' ? LastCode::Hex : LastCode::Decimal;
    }
    // Ends the run. An empty run becomes ''. A run that ends in a code gets an
    // empty string after it when the next character would otherwise extend that
    // code (#233 followed by 5 must not become #2335).
    void finish(char16_t nextChar)
    {
        closeQuote();
        const bool digit = nextChar >= u'0' && nextChar <= u'9';
        bool extends = false;
        switch (FLastCode) {
        case LastCode::None:
            break;
        case LastCode::Decimal:
            extends = digit;
            break;
        case LastCode::Bare:
            extends = digit || nextChar == u'$';
            break;
        case LastCode::Hex:
            extends = HexDigitValue(nextChar) >= 0;
            break;
        }
        if (FOut.size() == FStart || extends)
            FOut.append(QLatin1String("''"));
    }
    // Replaces what the run wrote so far with the run's original text.
    void replaceWithOriginal(QStringView original)
    {
        FOut.truncate(FStart);
        FOut.append(original);
        FOpen = false;
    }

private:
    void openQuote()
    {
        if (!FOpen) {
            FOut.append(QChar(kQuote));
            FOpen = true;
            FLastCode = LastCode::None;
        }
    }
    void closeQuote()
    {
        if (FOpen) {
            FOut.append(QChar(kQuote));
            FOpen = false;
        }
    }

    // The notation of the code the run ended with, if it ended with one.
    enum class LastCode { None, Decimal, Bare, Hex };

    QString& FOut;
    qsizetype FStart;
    bool FOpen = false;
    LastCode FLastCode = LastCode::None;
};

// DecodeText's handling of one string token: the body is shown as it is.
void decodeString(RunWriter& run, QStringView token)
{
    run.quoted(token.sliced(1, token.size() - 2));
}

// DecodeText's handling of one character code: visible characters go into the
// quoted text, control characters stay codes in decimal.
void decodeCharCode(RunWriter& run, QStringView token)
{
    const char16_t value = charCodeValue(token);
    if (value < 32)
        run.code(value);
    else
        run.quotedChar(value);
}

// EncodeText's handling of one string token: characters from 128 up become codes.
void encodeString(RunWriter& run, QStringView token)
{
    const char16_t* p = token.utf16() + 1;
    const char16_t* const end = token.utf16() + token.size() - 1;
    while (p < end) {
        const char16_t* plain = p;
        while (p < end && *p < 128)
            ++p;
        run.quoted(QStringView(plain, p));
        while (p < end && *p >= 128)
            run.code(*p++);
    }
}

void encodeCharCode(RunWriter& run, QStringView token)
{
    run.verbatimCode(token);
}

// The walk shared by DecodeText and EncodeText: runs of strings and character
// codes are rewritten, every other token (line breaks included) is copied as it
// stands, and the text gets a final CR LF when it does not end with one.
template <void (*OnString)(RunWriter&, QStringView), void (*OnCharCode)(RunWriter&, QStringView)>
QString rewrite(const QString& text)
{
    QString out;
    if (text.isEmpty())
        return out;
    out.reserve(text.size() + text.size() / 4 + 2);
    const QStringView source(text);
    TDfmParser scanner(text);
    int64_t copyFrom = 0;
    char16_t token = scanner.Token();
    if (token != dfmString && token != dfmCharCode)
        token = scanner.NextStringOrCharCode();
    while (token != dfmEndOfText) {
        const int64_t runPos = scanner.SourcePos();
        out.append(source.sliced(copyFrom, runPos - copyFrom));
        RunWriter run(out);
        bool unterminated = false;
        while (token == dfmString || token == dfmCharCode) {
            if (token == dfmString && !scanner.StringTerminated()) {
                unterminated = true;
                break;
            }
            if (token == dfmString)
                OnString(run, scanner.TokenView());
            else
                OnCharCode(run, scanner.TokenView());
            token = scanner.NextToken();
        }
        if (unterminated) {
            // A string that is never closed runs to the end of the text; its run
            // is passed through exactly as written.
            run.replaceWithOriginal(source.sliced(runPos));
            copyFrom = text.size();
            break;
        }
        copyFrom = scanner.SourcePos();
        run.finish(copyFrom < text.size() ? source[copyFrom].unicode() : u'\0');
        if (token != dfmEndOfText)
            token = scanner.NextStringOrCharCode();
    }
    out.append(source.sliced(copyFrom));
    if (!out.endsWith(QLatin1String("\r\n")))
        out.append(QLatin1String("\r\n"));
    return out;
}

} // namespace

namespace {

inline char16_t unitAt(QStringView s, qsizetype i)
{
    return s[i].unicode();
}
inline char16_t unitAt(QLatin1StringView s, qsizetype i)
{
    return char16_t(uchar(s.data()[i]));
}

template <typename View> qsizetype indentToStrip(View line, qsizetype columns)
{
    qsizetype n = 0;
    for (; n < line.size(); ++n) {
        const char16_t c = unitAt(line, n);
        const qsizetype width = c == u' ' ? 1 : c == u'\t' ? 2 : 0;
        if (width == 0 || width > columns)
            break;
        columns -= width;
    }
    return n;
}

} // namespace

qsizetype IndentToStrip(QStringView line, qsizetype columns)
{
    return indentToStrip(line, columns);
}

qsizetype IndentToStrip(QLatin1StringView line, qsizetype columns)
{
    return indentToStrip(line, columns);
}

QString GetNodeProperties(const TTextLines& OrgFile, const TPROPREC* rec)
{
    QString result;
    if (rec == nullptr || OrgFile.isEmpty())
        return result;
    const qsizetype maxIndent = qsizetype(rec->Indent) + 2;
    const qsizetype first = qsizetype(rec->BeginLine);
    const qsizetype last = std::min<qsizetype>(qsizetype(rec->EndLine), OrgFile.size() - 1);
    if (first <= last)
        result.reserve(OrgFile.span(first, last + 1) + 2); // the lines with their breaks
    for (qsizetype i = first; i <= last; ++i) {
        if (i > first)
            result.append(QLatin1String("\r\n"));
        OrgFile.visitLine(i, [&](auto line) { result.append(line.sliced(IndentToStrip(line, maxIndent))); });
    }
    return result;
}

QString GetNodeProperties(const QStringList& OrgFile, const TPROPREC* rec)
{
    return GetNodeProperties(TTextLines(OrgFile), rec);
}

QString DecodeText(const QString& text)
{
    return rewrite<decodeString, decodeCharCode>(text);
}

QString EncodeText(const QString& text)
{
    return rewrite<encodeString, encodeCharCode>(text);
}

} // namespace korvel
