#pragma once

namespace korvel {

// The value of a hexadecimal digit (0-9, A-F, a-f) given as a code point or
// code unit, or -1 for any other character.
constexpr int HexDigitValue(char32_t c) noexcept
{
    if (c >= U'0' && c <= U'9')
        return int(c - U'0');
    if (c >= U'A' && c <= U'F')
        return int(c - U'A') + 10;
    if (c >= U'a' && c <= U'f')
        return int(c - U'a') + 10;
    return -1;
}

} // namespace korvel
