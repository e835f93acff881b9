// Decimal text of the float values of a form: the fixed format of vaExtended /
// vaDouble and the general format of vaSingle, vaCurrency and vaDate. Locale
// independent ("." as separator, no grouping).
#pragma once

#include <QByteArray>

namespace korvel {

// Room enough for any text these functions write.
constexpr int kMaxFloatTextSize = 48;

// The decimal digits of a value rounded to at most `precision` significant
// digits and `decimals` digits after the point: Digits holds Count digits
// without trailing zeros (none for zero) and the value is 0.Digits × 10^Exponent.
struct TDecimalDigits {
    char Digits[20];
    int Count = 0;
    int Exponent = 0;
    bool Negative = false;
};

// Takes the first 18 significant digits of |x| (rounded to nearest), keeps
// min(precision, Exponent + decimals) of them and rounds half up on the next one.
// x must be finite.
TDecimalDigits DecimalDigits(long double x, int precision, int decimals);

// The fixed format: 16 significant digits and exactly 18 decimals
// ("0.100000000000000000"), scientific above 10^16 ("1E20"). Returns the length.
int FormatFixed(long double x, char* out);
// The general format: 15 significant digits, no trailing zeros ("0.1", "1.5E-5", "0").
int FormatGeneral(long double x, char* out);

// Convenience forms of the above.
QByteArray FormatFixed(long double x);
QByteArray FormatGeneral(long double x);

} // namespace korvel
