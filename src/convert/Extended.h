// The 10-byte extended-precision float of the binary form stream (x87 layout:
// 64-bit significand with explicit integer bit, then sign and 15-bit exponent),
// held in memory as long double.
#pragma once

#include <cstdint>

namespace korvel {

// Size of the stored layout in bytes.
constexpr int kExtendedSize = 10;

// Decodes the 10 bytes at p. Encodings the x87 unit rejects as operands
// (unnormals, pseudo-infinities, pseudo-NaNs) give a quiet NaN.
long double ExtendedFromBytes(const uint8_t* p);

// Encodes x into the 10 bytes at p (exact where long double is the x87 type).
void ExtendedToBytes(long double x, uint8_t* p);

} // namespace korvel
