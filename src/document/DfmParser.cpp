#include "document/DfmParser.h"

#include <array>
#include <cstdint>

namespace korvel {
namespace {

// Character classes of the ASCII characters; nothing from 128 up belongs to any.
enum : uint8_t { kDigit = 1, kHex = 2, kIdentStart = 4, kIdentChar = 8, kRunStop = 16 };

constexpr std::array<uint8_t, 128> makeClasses()
{
    std::array<uint8_t, 128> t{};
    for (int c = '0'; c <= '9'; ++c)
        t[c] = kDigit | kHex | kIdentChar;
    for (int c = 'A'; c <= 'Z'; ++c)
        t[c] = kIdentStart | kIdentChar | (c <= 'F' ? kHex : 0);
    for (int c = 'a'; c <= 'z'; ++c)
        t[c] = kIdentStart | kIdentChar | (c <= 'f' ? kHex : 0);
    t['_'] = kIdentStart | kIdentChar;
    // The characters that can start a string, a character code or a comment.
    t['\''] = t['#'] = t['/'] = kRunStop;
    return t;
}

constexpr std::array<uint8_t, 128> kClasses = makeClasses();

inline bool is(char16_t c, uint8_t cls) noexcept
{
    return c < 128 && (kClasses[c] & cls) != 0;
}

inline const char16_t* skip(const char16_t* p, const char16_t* end, uint8_t cls) noexcept
{
    while (p < end && is(*p, cls))
        ++p;
    return p;
}

// After an E or e: a sign with any digits, one or more digits, or nothing.
inline const char16_t* skipExponentTail(const char16_t* p, const char16_t* end) noexcept
{
    if (p < end && (*p == u'+' || *p == u'-'))
        ++p;
    return skip(p, end, kDigit);
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
    if (is(c, kIdentStart)) {
        code = dfmIdentifier;
        p = skip(p + 1, end, kIdentChar);
    } else if (is(c, kDigit)) {
        code = dfmInteger;
        p = skip(p, end, kDigit);
        if (p < end && *p == u'.') {
            code = dfmFloat;
            const char16_t next = p + 1 < end ? p[1] : u'\0';
            if (is(next, kDigit)) {
                p = skip(p + 1, end, kDigit);
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
    } else if (c == u'/' && p + 1 < end && p[1] == u'/') {
        code = dfmComment;
        p += 2;
        while (p < end && *p != u'\r' && *p != u'\n')
            ++p;
    } else if (c == u'\'') {
        code = dfmString;
        ++p;
        for (;;) {
            while (p < end && *p != u'\'')
                ++p;
            if (p == end) {
                FUnterminated = true;
                break;
            }
            ++p;
            if (p == end || *p != u'\'')
                break;
            ++p; // a doubled apostrophe is content
        }
    } else if (c == u'$') {
        code = dfmInteger;
        p = skip(p + 1, end, kHex);
    } else if (c == u'#') {
        code = dfmCharCode;
        ++p;
        if (p < end && *p == u'$')
            p = skip(p + 1, end, kHex);
        else
            p = skip(p, end, kDigit);
    } else if (c < 32) {
        if (c == u'\r' && p + 1 < end && p[1] == u'\n') {
            code = dfmLineBreak;
            p += 2;
        } else {
            code = dfmControlChar;
            ++p;
        }
    } else {
        code = dfmSymbol;
        ++p;
    }

    FSourcePtr = p;
    FToken = code;
    return code;
}

char16_t TDfmParser::NextStringOrCharCode() noexcept
{
    // Only strings and comments can hold an apostrophe, a number sign or a slash,
    // and every other token ends in front of one, so a plain search for these
    // characters finds the next string or code, skipping comments on the way.
    const char16_t* p = FSourcePtr;
    const char16_t* const end = FEnd;
    while (p < end) {
        const char16_t c = *p;
        if (!is(c, kRunStop)) {
            ++p;
            continue;
        }
        if (c != u'/') {
            FSourcePtr = p;
            return NextToken();
        }
        if (p + 1 < end && p[1] == u'/') {
            p += 2;
            while (p < end && *p != u'\r' && *p != u'\n')
                ++p;
        } else {
            ++p;
        }
    }
    FSourcePtr = end;
    return NextToken();
}

} // namespace korvel
