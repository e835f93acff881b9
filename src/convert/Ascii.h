// ASCII tests shared by the conversions and the document: whether bytes or
// code units stay below 0x80, and comparison with an ASCII word ignoring case.
#pragma once

#include <QByteArrayView>
#include <QStringView>

#include <cstdint>
#include <cstring>

namespace korvel {

// True when every byte is below 0x80; eight bytes at a time.
inline bool IsAscii(QByteArrayView bytes)
{
    const char* p = bytes.data();
    const qsizetype n = bytes.size();
    uint64_t acc = 0;
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        acc |= w;
    }
    for (; i < n; ++i)
        acc |= static_cast<uint8_t>(p[i]);
    return (acc & 0x8080808080808080ULL) == 0;
}

// True when every code unit is below 0x80; four units at a time.
inline bool IsAscii(QStringView text)
{
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    uint64_t acc = 0;
    qsizetype i = 0;
    for (; i + 4 <= n; i += 4) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        acc |= w;
    }
    for (; i < n; ++i)
        acc |= p[i];
    return (acc & 0xFF80FF80FF80FF80ULL) == 0;
}

// The byte with A-Z mapped to a-z; every other byte unchanged.
constexpr char AsciiLower(char c) noexcept
{
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

// True when bytes spell word, ignoring the case of ASCII letters only (bytes of
// 0x80 and above match nothing but themselves).
inline bool EqualsAsciiNoCase(QByteArrayView bytes, QByteArrayView word) noexcept
{
    if (bytes.size() != word.size())
        return false;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (AsciiLower(bytes[i]) != AsciiLower(word[i]))
            return false;
    return true;
}

} // namespace korvel
