#include "convert/Parser.h"

#include "convert/AnsiCodePage.h"
#include "convert/Ascii.h"
#include "convert/Utf8.h"

#include <QChar>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvel {

namespace {

// Byte classes of the ASCII range; bytes from 128 up are decided per encoding.
enum : uint8_t {
    kOther = 0,
    kLetter = 1,
    kDigit = 2,
    kHexDigit = 4,     // 0-9, A-F, a-f
    kNumberRun = 8,    // + - . 0-9 E e: the tail of a float
    kFloatSuffix = 16, // C D F S c d f s
    kStringStop = 32,  // bytes that end a run inside quotes: 00, CR, LF, apostrophe
};

constexpr std::array<uint8_t, 256> MakeClassTable()
{
    std::array<uint8_t, 256> t{};
    for (int c = 'A'; c <= 'Z'; ++c)
        t[c] |= kLetter;
    for (int c = 'a'; c <= 'z'; ++c)
        t[c] |= kLetter;
    t['_'] |= kLetter;
    for (int c = '0'; c <= '9'; ++c)
        t[c] |= kDigit | kHexDigit | kNumberRun;
    for (int c = 'A'; c <= 'F'; ++c)
        t[c] |= kHexDigit;
    for (int c = 'a'; c <= 'f'; ++c)
        t[c] |= kHexDigit;
    for (char c : {'+', '-', '.', 'E', 'e'})
        t[static_cast<uint8_t>(c)] |= kNumberRun;
    for (char c : {'C', 'D', 'F', 'S', 'c', 'd', 'f', 's'})
        t[static_cast<uint8_t>(c)] |= kFloatSuffix;
    for (char c : {'\0', '\r', '\n', '\''})
        t[static_cast<uint8_t>(c)] |= kStringStop;
    return t;
}

constexpr std::array<uint8_t, 256> kClass = MakeClassTable();

// Value of a hex digit, or 0xFF.
constexpr std::array<uint8_t, 256> MakeHexTable()
{
    std::array<uint8_t, 256> t{};
    for (auto& v : t)
        v = 0xFF;
    for (int c = 0; c < 10; ++c)
        t['0' + c] = uint8_t(c);
    for (int c = 0; c < 6; ++c) {
        t['A' + c] = uint8_t(10 + c);
        t['a' + c] = uint8_t(10 + c);
    }
    return t;
}

constexpr std::array<uint8_t, 256> kHexValue = MakeHexTable();

#if defined(__SSE2__)
// Decodes 16 hex digits at src into 8 bytes at dst; false (dst untouched) when
// any of them is not a hex digit.
inline bool DecodeHex16(const uint8_t* src, uint8_t* dst)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    const __m128i digit = _mm_sub_epi8(v, _mm_set1_epi8('0'));
    const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(digit, _mm_set1_epi8(9)), digit);
    const __m128i letter = _mm_sub_epi8(_mm_or_si128(v, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const __m128i isLetter = _mm_cmpeq_epi8(_mm_min_epu8(letter, _mm_set1_epi8(5)), letter);
    if (_mm_movemask_epi8(_mm_or_si128(isDigit, isLetter)) != 0xFFFF)
        return false;
    const __m128i value =
        _mm_or_si128(_mm_and_si128(isDigit, digit), _mm_andnot_si128(isDigit, _mm_add_epi8(letter, _mm_set1_epi8(10))));
    const __m128i high = _mm_and_si128(value, _mm_set1_epi16(0x00FF)); // digits at even offsets
    const __m128i low = _mm_srli_epi16(value, 8);                      // digits at odd offsets
    const __m128i bytes = _mm_or_si128(_mm_slli_epi16(high, 4), low);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(bytes, bytes));
    return true;
}
#endif

inline bool Is(uint8_t c, uint8_t cls)
{
    return (kClass[c] & cls) != 0;
}

constexpr char16_t kMsgIdentExpected[] = u"識別子が必要です";
constexpr char16_t kMsgStringExpected[] = u"文字列が必要です";
constexpr char16_t kMsgNumberExpected[] = u"数値が必要です";
constexpr char16_t kMsgCharExpected[] = u"''%s'' が必要です";
constexpr char16_t kMsgSymbolExpected[] = u"%s が必要です";
constexpr char16_t kMsgInvalidString[] = u"文字列定数が無効です";
constexpr char16_t kMsgInvalidBinary[] = u"バイナリ値が無効です";
constexpr char16_t kMsgLineTooLong[] = u"行が長すぎます";
constexpr char16_t kMsgNeedAnsiOrUtf8[] = u"ANSI または UTF8 エンコーディングが必要です";
constexpr char16_t kMsgNotInteger[] = u"'%s' は整数ではありません";
constexpr char16_t kMsgNotFloat[] = u"'%s' は浮動小数点数ではありません";

QString Fill(const char16_t* format, const QString& arg)
{
    QString s = QString::fromUtf16(format);
    s.replace(QLatin1StringView("%s"), arg);
    return s;
}

// Decides whether a decimal float text that failed with a range error is too
// large (true) or too small (false) for the type.
bool IsOverflow(std::string_view s)
{
    size_t i = 0;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        ++i;
    int64_t magnitude = 0; // decimal exponent of the first significant digit, plus one
    bool seenDigit = false;
    bool afterPoint = false;
    for (; i < s.size() && s[i] != 'e' && s[i] != 'E'; ++i) {
        if (s[i] == '.') {
            afterPoint = true;
            continue;
        }
        if (!seenDigit && s[i] == '0') {
            if (afterPoint)
                --magnitude;
            continue;
        }
        seenDigit = true;
        if (!afterPoint)
            ++magnitude;
    }
    int64_t exponent = 0;
    bool negative = false;
    if (i < s.size()) {
        ++i;
        if (i < s.size() && (s[i] == '-' || s[i] == '+'))
            negative = s[i++] == '-';
        for (; i < s.size(); ++i)
            exponent = std::min<int64_t>(exponent * 10 + (s[i] - '0'), int64_t(1) << 40);
    }
    return magnitude + (negative ? -exponent : exponent) > 0;
}

// An unsigned integer of any size, just large enough for rounding the values
// below the smallest normal extended value exactly.
class BigUint {
public:
    explicit BigUint(uint32_t v = 0)
    {
        if (v)
            FLimbs.push_back(v);
    }

    void MulAdd(uint32_t factor, uint32_t addend)
    {
        uint64_t carry = addend;
        for (uint32_t& limb : FLimbs) {
            const uint64_t t = uint64_t(limb) * factor + carry;
            limb = uint32_t(t);
            carry = t >> 32;
        }
        if (carry)
            FLimbs.push_back(uint32_t(carry));
    }
    void ShiftLeft(int64_t bits)
    {
        if (FLimbs.empty())
            return;
        const size_t words = size_t(bits / 32);
        const int rest = int(bits % 32);
        if (rest) {
            uint32_t carry = 0;
            for (uint32_t& limb : FLimbs) {
                const uint32_t next = limb >> (32 - rest);
                limb = (limb << rest) | carry;
                carry = next;
            }
            if (carry)
                FLimbs.push_back(carry);
        }
        FLimbs.insert(FLimbs.begin(), words, 0);
    }
    void ShiftRightOne()
    {
        for (size_t i = 0; i < FLimbs.size(); ++i) {
            FLimbs[i] >>= 1;
            if (i + 1 < FLimbs.size())
                FLimbs[i] |= FLimbs[i + 1] << 31;
        }
        Trim();
    }
    // -1, 0 or 1 as *this is below, equal to or above other.
    int Compare(const BigUint& other) const
    {
        if (FLimbs.size() != other.FLimbs.size())
            return FLimbs.size() < other.FLimbs.size() ? -1 : 1;
        for (size_t i = FLimbs.size(); i-- > 0;)
            if (FLimbs[i] != other.FLimbs[i])
                return FLimbs[i] < other.FLimbs[i] ? -1 : 1;
        return 0;
    }
    // Requires *this >= other.
    void Subtract(const BigUint& other)
    {
        int64_t borrow = 0;
        for (size_t i = 0; i < FLimbs.size(); ++i) {
            int64_t t = int64_t(FLimbs[i]) - borrow - (i < other.FLimbs.size() ? int64_t(other.FLimbs[i]) : 0);
            borrow = t < 0;
            FLimbs[i] = uint32_t(t + (borrow << 32));
        }
        Trim();
    }
    bool IsZero() const { return FLimbs.empty(); }

private:
    void Trim()
    {
        while (!FLimbs.empty() && FLimbs.back() == 0)
            FLimbs.pop_back();
    }
    std::vector<uint32_t> FLimbs; // least significant first
};

// The value of a decimal text ([±]digits[.digits][E[±]digits]) that lies below the
// smallest normal extended value, rounded to the nearest multiple of the smallest
// denormal (ties to even), the way the x87 type stores it. The double-based
// library parser reports these as out of range and would give 0.
long double DenormalFromDecimal(std::string_view s)
{
    // 2^-16445 is the smallest extended denormal; the significand has 64 bits.
    constexpr int kDenormalShift = 16445;
    // Below 10^-4952 a value rounds to zero whatever its digits.
    constexpr int64_t kZeroMagnitude = -4952;
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    BigUint digits;
    uint32_t chunk = 0;
    uint32_t chunkScale = 1;
    int64_t count = 0;    // significant digits taken into `digits`
    int64_t exponent = 0; // value = digits × 10^exponent
    bool afterPoint = false;
    for (; i < s.size() && s[i] != 'e' && s[i] != 'E'; ++i) {
        if (s[i] == '.') {
            afterPoint = true;
            continue;
        }
        if (s[i] < '0' || s[i] > '9')
            break;
        if (afterPoint)
            --exponent;
        if (count == 0 && s[i] == '0')
            continue;
        // Nine digits at a time into the big integer.
        chunk = chunk * 10 + uint32_t(s[i] - '0');
        chunkScale *= 10;
        if (chunkScale == 1000000000) {
            digits.MulAdd(chunkScale, chunk);
            chunk = 0;
            chunkScale = 1;
        }
        ++count;
    }
    if (chunkScale > 1)
        digits.MulAdd(chunkScale, chunk);
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < s.size() && (s[i] == '-' || s[i] == '+'))
            negativeExponent = s[i++] == '-';
        int64_t e = 0;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
            e = std::min<int64_t>(e * 10 + (s[i] - '0'), int64_t(1) << 40);
        exponent += negativeExponent ? -e : e;
    }
    const long double zero = negative ? -0.0L : 0.0L;
    if (digits.IsZero() || count + exponent < kZeroMagnitude || exponent >= 0)
        return zero;
    // significand = round(digits × 2^16445 / 10^-exponent), below 2^64.
    BigUint numerator = digits;
    numerator.ShiftLeft(kDenormalShift);
    BigUint divisor(1);
    int64_t powers = -exponent;
    for (; powers >= 9; powers -= 9)
        divisor.MulAdd(1000000000, 0);
    for (; powers > 0; --powers)
        divisor.MulAdd(10, 0);
    divisor.ShiftLeft(64);
    uint64_t q = 0;
    for (int bit = 64; bit >= 0; --bit) {
        if (numerator.Compare(divisor) >= 0) {
            if (bit == 64)
                return negative ? -std::numeric_limits<long double>::min() : std::numeric_limits<long double>::min();
            numerator.Subtract(divisor);
            q |= uint64_t(1) << bit;
        }
        if (bit > 0)
            divisor.ShiftRightOne();
    }
    numerator.ShiftLeft(1); // compare the remainder with half the divisor
    const int half = numerator.Compare(divisor);
    if (half > 0 || (half == 0 && (q & 1))) {
        if (q == std::numeric_limits<uint64_t>::max())
            return negative ? -std::numeric_limits<long double>::min() : std::numeric_limits<long double>::min();
        ++q;
    }
    const long double x = std::ldexp(static_cast<long double>(q), -kDenormalShift);
    return negative ? -x : x;
}

// Powers of ten that long double holds exactly (5^k must fit the significand).
constexpr int kExactPowers = std::numeric_limits<long double>::digits >= 64 ? 27
    : std::numeric_limits<long double>::digits >= 53                        ? 22
                                                                            : 10;

constexpr std::array<long double, kExactPowers + 1> MakePowersOfTen()
{
    std::array<long double, kExactPowers + 1> p{};
    p[0] = 1;
    for (int i = 1; i <= kExactPowers; ++i)
        p[i] = p[i - 1] * 10;
    return p;
}

constexpr std::array<long double, kExactPowers + 1> kPowersOfTen = MakePowersOfTen();

// Converts the common short decimals ([-]digits[.digits][E[±]digits]) without
// the general parser: when the significant digits fit the significand and the
// power of ten is exact, one multiplication or division gives the correctly
// rounded value. Returns false for anything else, which the general parser decides.
bool ExactDecimal(QByteArrayView t, long double& out)
{
    const char* p = t.data();
    const char* const end = p + t.size();
    const bool negative = p < end && *p == '-';
    if (negative)
        ++p;
    uint64_t m = 0;
    int significant = 0;
    int pendingZeros = 0; // zeros after the last nonzero digit, not yet in m
    int exponent = 0;
    bool anyDigit = false;
    bool point = false;
    for (; p < end; ++p) {
        const char c = *p;
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9')
            break;
        anyDigit = true;
        if (point)
            --exponent;
        if (c == '0') {
            if (significant)
                ++pendingZeros;
            continue;
        }
        significant += pendingZeros + 1;
        if (significant > 19)
            return false;
        for (; pendingZeros > 0; --pendingZeros)
            m *= 10;
        m = m * 10 + uint64_t(c - '0');
    }
    if (!anyDigit)
        return false;
    exponent += pendingZeros;
    if (p < end) {
        if (*p != 'e' && *p != 'E')
            return false;
        ++p;
        bool negativeExponent = false;
        if (p < end && (*p == '+' || *p == '-'))
            negativeExponent = *p++ == '-';
        if (p == end)
            return false;
        int e = 0;
        for (; p < end; ++p) {
            if (*p < '0' || *p > '9' || e > 10000)
                return false;
            e = e * 10 + (*p - '0');
        }
        exponent += negativeExponent ? -e : e;
    }
    if (m == 0) {
        out = negative ? -0.0L : 0.0L;
        return true;
    }
    if (exponent < -kExactPowers || exponent > kExactPowers
        || (std::numeric_limits<long double>::digits < 64 && (m >> std::numeric_limits<long double>::digits) != 0))
        return false;
    long double x = static_cast<long double>(m);
    x = exponent < 0 ? x / kPowersOfTen[size_t(-exponent)] : x * kPowersOfTen[size_t(exponent)];
    out = negative ? -x : x;
    return true;
}

} // namespace

TParser::TParser(ByteStream& stream, const TFormatSettings& formatSettings)
    : FStream(stream), FOrigin(stream.position()), FFormatSettings(formatSettings)
{
    const QByteArrayView text = stream.remaining();
    FData = text.data() ? text.data() : "";
    FEnd = FData + text.size();
    FSourcePtr = FTokenPtr = FData;

    CheckLineFrom(FData);
    const qsizetype n = FEnd - FData;
    const auto b = [this](int i) { return static_cast<uint8_t>(FData[i]); };
    if (n >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) {
        FEncoding = TTextEncoding::Utf8;
        FSourcePtr += 3;
    } else if (n >= 2 && ((b(0) == 0xFF && b(1) == 0xFE) || (b(0) == 0xFE && b(1) == 0xFF))) {
        ErrorStr(QString::fromUtf16(kMsgNeedAnsiOrUtf8));
    }
    NextToken();
}

TParser::~TParser()
{
    FStream.seek(SourcePos());
}

int64_t TParser::SourcePos() const
{
    return FOrigin + (FTokenPtr - FData);
}

// The text is read as if through a window of 4095 bytes that always ends after
// a line feed: a line that does not fit (more than kMaxSourceLineBytes bytes
// before its line feed) fails as soon as scanning reaches its start. Called at
// the start of the text, after every line feed that is consumed, and at a 00
// byte (where the window would be refilled from that byte). The check asks for
// a line feed within the window; remembering the last one of the window
// searched lets the following lines pass with one comparison.
namespace {

// The last line feed among the n bytes from p, or nullptr.
const char* LastLineFeed(const char* p, qsizetype n)
{
#if defined(__GLIBC__)
    return static_cast<const char*>(memrchr(p, '\n', size_t(n)));
#else
    for (const char* q = p + n; q != p;)
        if (*--q == '\n')
            return q;
    return nullptr;
#endif
}

} // namespace

void TParser::CheckLineFrom(const char* lineStart)
{
    constexpr qsizetype kWindow = kMaxSourceLineBytes + 1;
    const qsizetype start = lineStart - FData;
    if (FEnd - lineStart < kWindow)
        return;
    if (FFarLineFeed >= start && FFarLineFeed - start < kWindow)
        return;
    const char* found = LastLineFeed(lineStart, kWindow);
    if (!found) {
        FSourcePtr = lineStart; // the error lies at the start of the long line
        ErrorStr(QString::fromUtf16(kMsgLineTooLong));
    }
    FFarLineFeed = found - FData;
}

void TParser::SkipBlanks()
{
    const char* p = FSourcePtr;
    while (p < FEnd) {
        const uint8_t c = static_cast<uint8_t>(*p);
        if (c == ' ') {
            // Indentation: skip whole words of blanks.
            ++p;
            while (FEnd - p >= 8) {
                uint64_t w;
                std::memcpy(&w, p, 8);
                w ^= 0x2020202020202020ULL;
                if (w) {
                    // The first byte in memory that is no blank: the lowest set byte
                    // of the word on a little-endian machine, the highest on a big-endian one.
                    p += (std::endian::native == std::endian::little ? std::countr_zero(w) : std::countl_zero(w)) / 8;
                    break;
                }
                p += 8;
            }
            continue;
        }
        if (c > 0x20)
            break;
        if (c == 0) {
            FSourcePtr = p;
            CheckLineFrom(p);
            return;
        }
        ++p;
        if (c == '\n') {
            ++FSourceLine;
            CheckLineFrom(p);
        }
    }
    FSourcePtr = p;
}

int TParser::IdentCharLength(const char* p, bool first) const
{
    const uint8_t c = At(p);
    if (c < 0x80)
        return first ? (Is(c, kLetter) ? 1 : 0) : (Is(c, kLetter | kDigit) ? 1 : 0);
    if (FEncoding != TTextEncoding::Utf8)
        return 0;
    int len;
    char32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF7) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (FEnd - p < len)
        return 0;
    for (int i = 1; i < len; ++i) {
        const uint8_t t = static_cast<uint8_t>(p[i]);
        if ((t & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (t & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF start no character.
    if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    switch (QChar::category(cp)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Number_Letter:
        return len;
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Number_DecimalDigit:
    case QChar::Punctuation_Connector:
    case QChar::Other_Format:
        return first ? 0 : len;
    default:
        return 0;
    }
}

void TParser::ScanSymbolTail()
{
    const char* p = FSourcePtr;
    for (;;) {
        while (p < FEnd && Is(static_cast<uint8_t>(*p), kLetter | kDigit))
            ++p;
        if (p == FEnd || static_cast<uint8_t>(*p) < 0x80 || FEncoding != TTextEncoding::Utf8)
            break;
        const int len = IdentCharLength(p, false);
        if (len == 0)
            break;
        p += len;
    }
    FSourcePtr = p;
}

void TParser::ScanNumber()
{
    const char* p = FTokenPtr + 1;
    while (Is(At(p), kDigit))
        ++p;
    FToken = tokInteger;
    const char* run = p;
    while (Is(At(p), kNumberRun))
        ++p;
    if (p != run)
        FToken = tokFloat;
    const uint8_t c = At(p);
    if (Is(c, kFloatSuffix)) {
        FFloatType = c;
        ++p;
        FToken = tokFloat;
    }
    FSourcePtr = p;
}

void TParser::ScanString()
{
    FStrBytes.clear();
    bool wide = false;
    const auto widen = [this, &wide] {
        wide = true;
        FWideStr.clear();
        FWideStr.reserve(FStrBytes.size() + 16);
        for (char b : FStrBytes)
            FWideStr.push_back(static_cast<uint8_t>(b));
    };
    const char* p = FTokenPtr;
    for (;;) {
        const uint8_t c = At(p);
        if (c == '#') {
            ++p;
            // Accumulated in 32 bits with wrap-around; cut to 16 bits for a wide string.
            uint32_t v = 0;
            while (Is(At(p), kDigit)) {
                v = v * 10 + uint32_t(*p - '0');
                ++p;
            }
            if (!wide && v > 127)
                widen();
            if (wide)
                FWideStr.push_back(static_cast<char16_t>(v));
            else
                FStrBytes.push_back(static_cast<char>(v));
        } else if (c == '\'') {
            ++p;
            for (;;) {
                const char* run = p;
                while (p < FEnd && !Is(static_cast<uint8_t>(*p), kStringStop))
                    ++p;
                if (wide) {
                    for (const char* q = run; q < p; ++q)
                        FWideStr.push_back(static_cast<uint8_t>(*q));
                } else {
                    FStrBytes.append(run, size_t(p - run));
                }
                if (At(p) != '\'') {
                    FSourcePtr = p;
                    ErrorStr(QString::fromUtf16(kMsgInvalidString));
                }
                ++p;
                if (At(p) != '\'')
                    break;
                ++p; // a doubled apostrophe stands for one
                if (wide)
                    FWideStr.push_back(u'\'');
                else
                    FStrBytes.push_back('\'');
            }
        } else {
            break;
        }
    }
    FSourcePtr = p;
    FToken = wide ? tokWideString : tokString;
}

char16_t TParser::NextToken()
{
    SkipBlanks();
    FTokenPtr = FSourcePtr;
    FFloatType = 0;
    const uint8_t c = At(FSourcePtr);
    const uint8_t cls = kClass[c];
    if (cls & kLetter) {
        ++FSourcePtr;
        ScanSymbolTail();
        FToken = tokSymbol;
    } else if ((cls & kDigit) || c == '-') {
        ScanNumber();
    } else if (c == '$') {
        const char* p = FSourcePtr + 1;
        while (Is(At(p), kHexDigit))
            ++p;
        FSourcePtr = p;
        FToken = tokInteger;
    } else if (c == '#' || c == '\'') {
        ScanString();
    } else if (c >= 0x80 && FEncoding == TTextEncoding::Utf8 && IdentCharLength(FSourcePtr, true) > 0) {
        FSourcePtr += IdentCharLength(FSourcePtr, true);
        ScanSymbolTail();
        FToken = tokSymbol;
    } else {
        FToken = c;
        if (c != 0)
            ++FSourcePtr;
    }
    return FToken;
}

void TParser::CheckToken(char16_t t)
{
    if (FToken == t)
        return;
    switch (t) {
    case tokSymbol:
        ErrorStr(QString::fromUtf16(kMsgIdentExpected));
    case tokString:
    case tokWideString:
        ErrorStr(QString::fromUtf16(kMsgStringExpected));
    case tokInteger:
    case tokFloat:
        ErrorStr(QString::fromUtf16(kMsgNumberExpected));
    default:
        ErrorStr(Fill(kMsgCharExpected, QString(QChar(t))));
    }
}

void TParser::CheckTokenSymbol(QLatin1StringView s)
{
    if (!TokenSymbolIs(s))
        ErrorStr(Fill(kMsgSymbolExpected, QString(s)));
}

bool TParser::TokenSymbolIs(QLatin1StringView s) const
{
    return FToken == tokSymbol
        && EqualsAsciiNoCase(QByteArrayView(FTokenPtr, FSourcePtr - FTokenPtr), QByteArrayView(s.data(), s.size()));
}

QByteArrayView TParser::TokenBytes() const
{
    if (FToken == tokString)
        return QByteArrayView(FStrBytes.data(), qsizetype(FStrBytes.size()));
    return QByteArrayView(FTokenPtr, FSourcePtr - FTokenPtr);
}

QString TParser::Decode(QByteArrayView bytes) const
{
    if (FEncoding == TTextEncoding::Utf8)
        return DecodeUtf8(bytes);
    return ansi::decode(bytes);
}

QString TParser::TokenString() const
{
    return Decode(TokenBytes());
}

QString TParser::TokenWideString() const
{
    if (FToken == tokWideString)
        return QString(reinterpret_cast<const QChar*>(FWideStr.data()), qsizetype(FWideStr.size()));
    return TokenString();
}

void TParser::ThrowConvert(const char16_t* format, const QString& text) const
{
    throw EConvertError(Fill(format, text));
}

int64_t TParser::TokenInt() const
{
    const QByteArrayView t = TokenBytes();
    const char* first = t.data();
    const char* last = first + t.size();
    if (first != last && *first == '$') {
        uint64_t u = 0;
        const auto [ptr, ec] = std::from_chars(first + 1, last, u, 16);
        if (ec == std::errc() && ptr == last && last - first > 1)
            return static_cast<int64_t>(u);
    } else {
        int64_t v = 0;
        const auto [ptr, ec] = std::from_chars(first, last, v, 10);
        if (ec == std::errc() && ptr == last && first != last)
            return v;
    }
    ThrowConvert(kMsgNotInteger, TokenString());
}

long double TParser::TokenFloat() const
{
    QByteArrayView t = TokenBytes();
    if (FFloatType != 0 && !t.isEmpty())
        t.chop(1);
    long double exact;
    if (FFormatSettings.DecimalSeparator == u'.' && ExactDecimal(t, exact))
        return exact;
    std::string text(t.data(), size_t(t.size()));
    bool valid = !text.empty();
    for (char& c : text) {
        if (FFormatSettings.DecimalSeparator != u'.') {
            if (c == '.')
                valid = false;
            else if (char16_t(static_cast<uint8_t>(c)) == FFormatSettings.DecimalSeparator)
                c = '.';
        }
        if (!Is(static_cast<uint8_t>(c), kNumberRun))
            valid = false; // also keeps out "inf" and "nan"
    }
    if (valid) {
        long double x = 0;
        const char* first = text.data();
        const char* last = first + text.size();
        const auto [ptr, ec] = std::from_chars(first, last, x, std::chars_format::general);
        if (ptr == last && ec == std::errc())
            return x;
        // A value too small for the type becomes zero; one too large is no number.
        if (ptr == last && ec == std::errc::result_out_of_range && !IsOverflow(text))
            return DenormalFromDecimal(text);
    }
    ThrowConvert(kMsgNotFloat, Decode(t));
}

QByteArrayView TParser::TokenComponentIdentBytes()
{
    CheckToken(tokSymbol);
    while (At(FSourcePtr) == '.') {
        const int len = IdentCharLength(FSourcePtr + 1, true);
        if (len == 0)
            ErrorStr(QString::fromUtf16(kMsgIdentExpected));
        FSourcePtr += 1 + len;
        ScanSymbolTail();
    }
    return TokenBytes();
}

QString TParser::TokenComponentIdent()
{
    TokenComponentIdentBytes();
    return TokenString();
}

QByteArrayView TParser::HexToBinary()
{
    qsizetype size = 0;
    SkipBlanks();
    while (At(FSourcePtr) != '}') {
        const char* p = FSourcePtr;
        // Decode a run of pairs straight into the buffer, growing it as needed;
        // a run cannot hold more pairs than there are bytes left.
        for (;;) {
            const qsizetype chunk = std::min<qsizetype>((FEnd - p) / 2, 1 << 16);
            if (chunk == 0)
                break;
            if (FHexCapacity - size < chunk) {
                const qsizetype capacity = std::max(2 * FHexCapacity, size + chunk);
                auto grown = std::make_unique_for_overwrite<uint8_t[]>(size_t(capacity));
                if (size)
                    std::memcpy(grown.get(), FHexBytes.get(), size_t(size));
                FHexBytes = std::move(grown);
                FHexCapacity = capacity;
            }
            uint8_t* dst = FHexBytes.get() + size;
            const auto* src = reinterpret_cast<const uint8_t*>(p);
            qsizetype n = 0;
#if defined(__SSE2__)
            while (chunk - n >= 8 && DecodeHex16(src + 2 * n, dst + n))
                n += 8;
#endif
            while (n < chunk) {
                const uint8_t hi = kHexValue[src[2 * n]];
                const uint8_t lo = kHexValue[src[2 * n + 1]];
                if ((hi | lo) & 0xF0)
                    break;
                dst[n++] = uint8_t(hi << 4 | lo);
            }
            size += n;
            p += 2 * n;
            if (n < chunk)
                break;
        }
        if (p == FSourcePtr)
            ErrorStr(QString::fromUtf16(kMsgInvalidBinary));
        FSourcePtr = p;
        SkipBlanks();
    }
    NextToken();
    return QByteArrayView(reinterpret_cast<const char*>(FHexBytes.get()), size);
}

void TParser::HexToBinary(ByteStream& output)
{
    output.write(HexToBinary());
}

void TParser::Error(const QString& message) const
{
    ErrorStr(message);
}

void TParser::ErrorStr(const QString& message) const
{
    ErrorAt(TErrorPosition{FOrigin + (FSourcePtr - FData), FSourceLine}, message);
}

void TParser::ErrorAt(TErrorPosition position, const QString& message)
{
    throw EParserError(LineMessage(position.Line, message), position);
}

} // namespace korvel
