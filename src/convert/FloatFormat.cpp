#include "convert/FloatFormat.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

namespace korvel {
namespace {

constexpr int kSignificantDigits = 18;
// No limit on the decimals (the general format).
constexpr int kUnlimitedDecimals = 100000;

int WriteSpecial(long double x, char* out)
{
    if (std::isnan(x)) {
        std::memcpy(out, "NAN", 3);
        return 3;
    }
    if (x < 0) {
        std::memcpy(out, "-INF", 4);
        return 4;
    }
    std::memcpy(out, "INF", 3);
    return 3;
}

// Writes "d[.ddd]E[-]x" for digits d and decimal exponent e (value 0.d × 10^e).
int WriteScientific(const TDecimalDigits& d, char* out)
{
    char* p = out;
    if (d.Negative)
        *p++ = '-';
    *p++ = d.Digits[0];
    if (d.Count > 1) {
        *p++ = '.';
        std::memcpy(p, d.Digits + 1, size_t(d.Count - 1));
        p += d.Count - 1;
    }
    *p++ = 'E';
    const int e = d.Exponent - 1;
    if (e < 0)
        *p++ = '-';
    p = std::to_chars(p, out + kMaxFloatTextSize, e < 0 ? -e : e).ptr;
    return int(p - out);
}

// Writes the first `count` digits of d, padded with "0" when d is shorter.
char* WriteIntegerDigits(const TDecimalDigits& d, int count, char* p)
{
    for (int i = 0; i < count; ++i)
        *p++ = i < d.Count ? d.Digits[i] : '0';
    return p;
}

} // namespace

TDecimalDigits DecimalDigits(long double x, int precision, int decimals)
{
    TDecimalDigits d;
    d.Negative = std::signbit(x);
    // "d.ddddddddddddddddde±x": 18 significant digits, correctly rounded.
    char buf[64];
    const long double magnitude = std::fabs(x);
    // Correct rounding depends only on the value: a value that a double holds exactly
    // takes the much faster double conversion.
    const double narrow = static_cast<double>(magnitude);
    const auto res = static_cast<long double>(narrow) == magnitude
        ? std::to_chars(buf, buf + sizeof buf, narrow, std::chars_format::scientific, kSignificantDigits - 1)
        : std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, kSignificantDigits - 1);
    char digits[kSignificantDigits];
    digits[0] = buf[0];
    std::memcpy(digits + 1, buf + 2, kSignificantDigits - 1);
    int exp10 = 0;
    const char* e = static_cast<const char*>(std::memchr(buf, 'e', size_t(res.ptr - buf)));
    if (e) {
        const char* s = e + 1;
        if (*s == '+')
            ++s;
        std::from_chars(s, res.ptr, exp10);
    }
    int exponent = exp10 + 1;
    if (digits[0] == '0') // zero
        exponent = 0;

    const long long limit = static_cast<long long>(exponent) + decimals;
    int count = 0;
    if (limit >= 0 && digits[0] != '0') {
        const int k = int(limit < precision ? limit : precision);
        count = k;
        if (k < kSignificantDigits && digits[k] >= '5') {
            int i = k - 1;
            while (i >= 0 && digits[i] == '9') {
                digits[i] = '0';
                --i;
            }
            if (i >= 0) {
                ++digits[i];
            } else {
                digits[0] = '1';
                count = 1;
                ++exponent;
            }
        }
    }
    while (count > 0 && digits[count - 1] == '0')
        --count;
    std::memcpy(d.Digits, digits, size_t(count));
    d.Count = count;
    if (count == 0) {
        d.Exponent = 0;
        d.Negative = false;
    } else {
        d.Exponent = exponent;
    }
    return d;
}

int FormatFixed(long double x, char* out)
{
    if (!std::isfinite(x))
        return WriteSpecial(x, out);
    const TDecimalDigits d = DecimalDigits(x, 16, 18);
    if (d.Exponent > 16)
        return WriteScientific(d, out);
    char* p = out;
    if (d.Negative)
        *p++ = '-';
    const int intDigits = d.Exponent > 0 ? d.Exponent : 0;
    if (intDigits == 0)
        *p++ = '0';
    else
        p = WriteIntegerDigits(d, intDigits, p);
    *p++ = '.';
    char* decimalsStart = p;
    for (int i = d.Exponent; i < 0; ++i)
        *p++ = '0';
    for (int i = intDigits; i < d.Count; ++i)
        *p++ = d.Digits[i];
    while (p - decimalsStart < 18)
        *p++ = '0';
    return int(p - out);
}

int FormatGeneral(long double x, char* out)
{
    if (!std::isfinite(x))
        return WriteSpecial(x, out);
    const TDecimalDigits d = DecimalDigits(x, 15, kUnlimitedDecimals);
    if (d.Count == 0) {
        out[0] = '0';
        return 1;
    }
    if (d.Exponent > 15 || d.Exponent < -3)
        return WriteScientific(d, out);
    char* p = out;
    if (d.Negative)
        *p++ = '-';
    if (d.Exponent > 0) {
        p = WriteIntegerDigits(d, d.Exponent, p);
        if (d.Count > d.Exponent) {
            *p++ = '.';
            std::memcpy(p, d.Digits + d.Exponent, size_t(d.Count - d.Exponent));
            p += d.Count - d.Exponent;
        }
    } else {
        *p++ = '0';
        *p++ = '.';
        for (int i = d.Exponent; i < 0; ++i)
            *p++ = '0';
        std::memcpy(p, d.Digits, size_t(d.Count));
        p += d.Count;
    }
    return int(p - out);
}

QByteArray FormatFixed(long double x)
{
    char buf[kMaxFloatTextSize];
    return QByteArray(buf, FormatFixed(x, buf));
}

QByteArray FormatGeneral(long double x)
{
    char buf[kMaxFloatTextSize];
    return QByteArray(buf, FormatGeneral(x, buf));
}

} // namespace korvel
