#include "convert/FloatFormat.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

using namespace korvel;

namespace {

constexpr long double kInf = std::numeric_limits<long double>::infinity();

// The examples of the text layout are checked through the conversion (BinaryToText_test);
// these cover rounding, limits and the switch to the scientific form.
TEST(FloatFormat, FixedFormat)
{
    struct Case {
        long double x;
        const char* text;
    };
    const Case cases[] = {
        {0.1L, "0.100000000000000000"},
        {1.0L / 3, "0.333333333333333300"},
        {-0.0, "0.000000000000000000"},
        {123456789.125, "123456789.125000000000000000"},
        {1e15, "1000000000000000.000000000000000000"},
        {1e16, "1E16"},
        {9999999999999999.0L, "9999999999999999.000000000000000000"},
        {99999999999999999.0L, "1E17"}, // rounds up at 16 digits
        {12345678901234567890.0L, "1.234567890123457E19"},
        {2.0L / 3, "0.666666666666666700"},
        {0.000123, "0.000123000000000000"},
        {1e-18, "0.000000000000000001"},
        {4e-19L, "0.000000000000000000"}, // below the last decimal: zero, no sign
        {-4e-19L, "0.000000000000000000"},
        {6e-19L, "0.000000000000000001"}, // rounds up into the last decimal
        {1e-30, "0.000000000000000000"},
        {1e300, "1E300"},
        {std::numeric_limits<long double>::max(), "1.189731495357232E4932"},
        {kInf, "INF"},
        {-kInf, "-INF"},
        {std::numeric_limits<long double>::quiet_NaN(), "NAN"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FormatFixed(c.x), QByteArray(c.text));
    }
}

TEST(FloatFormat, GeneralFormat)
{
    struct Case {
        long double x;
        const char* text;
    };
    const Case cases[] = {
        {-0.0f, "0"},
        {-1.5, "-1.5"},
        {0.0001, "0.0001"},
        {0.00001, "1E-5"},
        {123456789012345.0L, "123456789012345"},
        {1234567890123456.0L, "1.23456789012346E15"},
        {999999999999999.5L, "1E15"},
        {1e14, "100000000000000"},
        {1e15, "1E15"},
        {-9223372036854775807.0L, "-9.22337203685478E18"},
        {std::numeric_limits<long double>::denorm_min(), "3.64519953188247E-4951"},
        {kInf, "INF"},
        {-kInf, "-INF"},
        {-std::numeric_limits<long double>::quiet_NaN(), "NAN"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FormatGeneral(c.x), QByteArray(c.text));
    }
}

TEST(FloatFormat, DecimalDigitsRoundOnTheFirstDroppedDigit)
{
    struct Case {
        long double x;
        int precision, decimals;
        const char* digits;
        int exponent;
        bool negative;
    };
    const Case cases[] = {
        {0.1, 16, 18, "1", 0, false},
        {-123.456L, 4, 18, "1235", 3, true},
        {9.9996L, 4, 18, "1", 2, false}, // carry out of the first digit
        {0.05L, 15, 1, "1", 0, false},   // E + Q = 0: rounds up to one tenth
        {0.04L, 15, 1, "", 0, false},
        {-0.004L, 15, 1, "", 0, false}, // E + Q < 0: zero without sign
        {123456789012345678.0L, 18, 100, "123456789012345678", 18, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.digits);
        const TDecimalDigits d = DecimalDigits(c.x, c.precision, c.decimals);
        EXPECT_EQ(QByteArray(d.Digits, d.Count), QByteArray(c.digits));
        EXPECT_EQ(d.Exponent, c.exponent);
        EXPECT_EQ(d.Negative, c.negative);
    }
}

TEST(FloatFormat, IgnoresTheUserLocale)
{
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    EXPECT_EQ(FormatFixed(1234.5L), QByteArray("1234.500000000000000000"));
    EXPECT_EQ(FormatGeneral(0.5L), QByteArray("0.5"));
    std::setlocale(LC_ALL, saved.c_str());
}

} // namespace
