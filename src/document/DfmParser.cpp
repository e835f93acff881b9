#include "document/DfmParser.h"

namespace korvel {
namespace {

constexpr bool isDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }

constexpr bool isHexDigit(char16_t c) noexcept
{
    return isDigit(c) || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

constexpr bool isIdentStart(char16_t c) noexcept
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

constexpr bool isIdentChar(char16_t c) noexcept { return isIdentStart(c) || isDigit(c); }

const char16_t* skipDigits(const char16_t* p, const char16_t* end) noexcept
{
    while (p < end && isDigit(*p))
        ++p;
    return p;
}

const char16_t* skipHexDigits(const char16_t* p, const char16_t* end) noexcept
{
    while (p < end && isHexDigit(*p))
        ++p;
    return p;
}

// After an E or e: a sign with any digits, one or more digits, or nothing.
const char16_t* skipExponentTail(const char16_t* p, const char16_t* end) noexcept
{
    if (p < end && (*p == u'+' || *p == u'-'))
        ++p;
    return skipDigits(p, end);
}

} // namespace

TDfmParser::TDfmParser(const QString& S) : FBuffer(S)
{
    if (FBuffer.isEmpty())
        return;
    FBegin = reinterpret_cast<const char16_t*>(FBuffer.constData());
    FEnd = FBegin + FBuffer.size();
    FSourcePtr = FTokenPtr = FBegin;
    NextToken();
}

char16_t TDfmParser::NextToken() noexcept
{
    const char16_t* p = FSourcePtr;
    const char16_t* const end = FEnd;
    FTokenPtr = p;
    FUnterminated = false;
    // The end of the text is its length, not a NUL: a NUL inside the text is a
    // character like any other, so nothing after it is lost.
    if (p == end) {
        FToken = dfmEndOfText;
        return FToken;
    }

    const char16_t c = *p;
    char16_t code;
    if (c == u'/' && p + 1 < end && p[1] == u'/') {
        code = dfmComment;
        p += 2;
        while (p < end && *p != u'\r' && *p != u'\n')
            ++p;
    } else if (c == u'\'') {
        code = dfmString;
        ++p;
        for (;;) {
            if (p == end) {
                FUnterminated = true;
                break;
            }
            if (*p == u'\'') {
                ++p;
                if (p == end || *p != u'\'')
                    break;
                ++p;
            } else {
                ++p;
            }
        }
    } else if (c == u'$') {
        code = dfmInteger;
        p = skipHexDigits(p + 1, end);
    } else if (c == u'#') {
        code = dfmCharCode;
        ++p;
        if (p < end && *p == u'$')
            p = skipHexDigits(p + 1, end);
        else
            p = skipDigits(p, end);
    } else if (c < 32) {
        if (c == u'\r' && p + 1 < end && p[1] == u'\n') {
            code = dfmLineBreak;
            p += 2;
        } else {
            code = dfmControlChar;
            ++p;
        }
    } else if (isDigit(c)) {
        code = dfmInteger;
        p = skipDigits(p, end);
        if (p < end && *p == u'.') {
            code = dfmFloat;
            const char16_t next = p + 1 < end ? p[1] : u'\0';
            if (isDigit(next)) {
                p = skipDigits(p + 1, end);
                if (p < end && (*p == u'E' || *p == u'e'))
                    p = skipExponentTail(p + 1, end);
            } else if (next == u'E' || next == u'e') {
                p = skipExponentTail(p + 2, end);
            }
            // Otherwise the dot is not taken: the digits alone form the float token.
        } else if (p < end && (*p == u'E' || *p == u'e')) {
            code = dfmFloat;
            p = skipExponentTail(p + 1, end);
        }
    } else if (isIdentStart(c)) {
        code = dfmIdentifier;
        ++p;
        while (p < end && isIdentChar(*p))
            ++p;
    } else {
        code = dfmSymbol;
        ++p;
    }

    FSourcePtr = p;
    FToken = code;
    return code;
}

} // namespace korvel
