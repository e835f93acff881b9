#include "convert/Extended.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace korvel {
namespace {

constexpr int kBias = 16383;
constexpr uint64_t kIntegerBit = uint64_t(1) << 63;

} // namespace

long double ExtendedFromBytes(const uint8_t* p)
{
    uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i)
        mantissa = (mantissa << 8) | p[i];
    const unsigned signExp = unsigned(p[8]) | (unsigned(p[9]) << 8);
    const bool negative = (signExp & 0x8000) != 0;
    const int exponent = int(signExp & 0x7FFF);

    long double value;
    if (exponent == 0x7FFF) {
        const uint64_t fraction = mantissa & ~kIntegerBit;
        if (!(mantissa & kIntegerBit))
            value = std::numeric_limits<long double>::quiet_NaN();
        else if (fraction == 0)
            value = std::numeric_limits<long double>::infinity();
        else
            value = std::numeric_limits<long double>::quiet_NaN();
    } else if (exponent != 0 && !(mantissa & kIntegerBit)) {
        value = std::numeric_limits<long double>::quiet_NaN(); // unnormal
    } else {
        // Denormals and pseudo-denormals both use the exponent of 1.
        const int e = (exponent == 0 ? 1 : exponent) - kBias - 63;
        value = std::ldexp(static_cast<long double>(mantissa), e);
    }
    return negative ? -value : value;
}

void ExtendedToBytes(long double x, uint8_t* p)
{
    uint64_t mantissa = 0;
    unsigned signExp = std::signbit(x) ? 0x8000 : 0;
    if (std::isnan(x)) {
        signExp |= 0x7FFF;
        mantissa = kIntegerBit | (uint64_t(1) << 62);
    } else if (std::isinf(x)) {
        signExp |= 0x7FFF;
        mantissa = kIntegerBit;
    } else if (x != 0) {
        int e = 0;
        const long double m = std::frexp(std::fabs(x), &e); // m in [0.5, 1)
        int biased = e - 1 + kBias;
        // Denormals share the exponent of 1 and lose the integer bit.
        const int shift = biased > 0 ? 64 : 63 + biased;
        long double scaled = std::nearbyint(std::ldexp(m, shift));
        if (scaled >= std::ldexp(1.0L, 64)) { // rounding carried out (long double wider than x87)
            scaled = std::ldexp(1.0L, 63);
            ++biased;
        }
        mantissa = scaled < 1.0L ? 0 : static_cast<uint64_t>(scaled);
        if (biased <= 0)
            biased = (mantissa & kIntegerBit) ? 1 : 0;
        if (biased >= 0x7FFF) {
            biased = 0x7FFF;
            mantissa = kIntegerBit;
        }
        signExp |= unsigned(biased);
    }
    for (int i = 0; i < 8; ++i)
        p[i] = uint8_t(mantissa >> (8 * i));
    p[8] = uint8_t(signExp);
    p[9] = uint8_t(signExp >> 8);
}

} // namespace korvel
