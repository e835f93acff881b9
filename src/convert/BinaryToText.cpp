#include "convert/BinaryToText.h"

#include "convert/AnsiCodePage.h"
#include "convert/Ascii.h"
#include "convert/Filer.h"
#include "convert/FloatFormat.h"
#include "convert/Parser.h"
#include "convert/StreamFormat.h"
#include "convert/Utf8.h"
#include "errors/Errors.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace korvel {
namespace {

// Code units of a string value on one line of text.
constexpr int64_t kStringLineUnits = 64;
// The longest line the tokenizer reads: bytes before the line feed, CR included.
constexpr int64_t kMaxLineBytes = kMaxSourceLineBytes;
// Bytes of binary data on one line of text.
constexpr int64_t kBinaryLineBytes = 32;
// The text may not grow beyond kTextLimitBase + kTextLimitFactor × the stream's size.
constexpr int64_t kTextLimitBase = int64_t(64) << 20;
constexpr int64_t kTextLimitFactor = 64;
// The largest text buffer reserved up front (a stream with a large tail of other
// bytes must not reserve gigabytes).
constexpr int64_t kInitialTextLimit = int64_t(256) << 20;
// Room kept in front of the text for the byte-order mark.
constexpr int kBomRoom = 3;

// The two upper-case hex digits of every byte value, as they lie in memory.
constexpr std::array<uint16_t, 256> MakeHexTable()
{
    std::array<uint16_t, 256> table{};
    constexpr char digits[] = "0123456789ABCDEF";
    for (int i = 0; i < 256; ++i) {
        const auto first = uint8_t(digits[i >> 4]);
        const auto second = uint8_t(digits[i & 15]);
        table[i] = std::endian::native == std::endian::little ? uint16_t(first | (second << 8))
                                                              : uint16_t((first << 8) | second);
    }
    return table;
}
constexpr auto kHexPairs = MakeHexTable();

#if defined(__SSE2__)
// Writes the 32 hex digits of 16 bytes.
inline void HexBlock16(const uint8_t* src, char* dst)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    const __m128i mask = _mm_set1_epi8(0x0F);
    const __m128i hi = _mm_and_si128(_mm_srli_epi16(v, 4), mask);
    const __m128i lo = _mm_and_si128(v, mask);
    const __m128i first = _mm_unpacklo_epi8(hi, lo);
    const __m128i second = _mm_unpackhi_epi8(hi, lo);
    // nibble + '0', plus 7 more for A-F.
    const __m128i nine = _mm_set1_epi8(9);
    const __m128i zero = _mm_set1_epi8('0');
    const __m128i seven = _mm_set1_epi8(7);
    auto digits = [&](__m128i n) {
        const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(n, nine), seven);
        return _mm_add_epi8(_mm_add_epi8(n, zero), letters);
    };
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), digits(first));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), digits(second));
}
#endif

// Asks the kernel to back a large fresh buffer with huge pages: filling tens of
// megabytes page by page otherwise costs more than the conversion itself.
void AdviseHugePages(char* data, int64_t size)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
    if (size < int64_t(4 * kHugePage))
        return;
    const auto begin = (reinterpret_cast<uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
    const auto end = (reinterpret_cast<uintptr_t>(data) + uintptr_t(size)) & ~(kHugePage - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

// Blanks for indentation, copied in one fixed-size block.
constexpr int64_t kBlankBlock = 64;
constexpr char kBlanks[kBlankBlock + 1] = "                                                                ";

// How a string value's characters are written.
enum class Escaping {
    Ansi,    // vaString / vaLString: only control codes and the apostrophe become #-codes
    Unicode, // vaWString / vaUTF8String: everything outside printable ASCII becomes a #-code
};

// The code units of a string value, wherever they come from.
struct ByteUnits { // one byte per unit, all below 0x80
    const uint8_t* p;
    char16_t operator[](int64_t i) const { return p[i]; }
};
struct Utf16LEUnits { // raw UTF-16LE bytes of a vaWString
    const uint8_t* p;
    char16_t operator[](int64_t i) const { return char16_t(p[2 * i] | (p[2 * i + 1] << 8)); }
};
struct StringUnits { // a decoded string
    const char16_t* p;
    char16_t operator[](int64_t i) const { return p[i]; }
};

// Converts one form stream into text; one instance per pass.
class TextWriter {
public:
    TextWriter(ByteStream& input, bool utf8Strings) : FInput(input), FReader(input), FUtf8Strings(utf8Strings)
    {
        // Text is typically about twice the size of the binary stream.
        const int64_t estimate =
            std::min<int64_t>(std::max<int64_t>(0, input.size() - input.position()), int64_t(1) << 30);
        FLimit = kTextLimitBase + estimate * kTextLimitFactor;
        Grow(std::clamp<int64_t>(estimate * 2 + estimate / 4, 4096, kInitialTextLimit));
        FCur += kBomRoom;
    }

    // Converts the stream; the result starts with kBomRoom spare bytes.
    QByteArray Run()
    {
        FReader.ReadSignature();
        ConvertObject();
        FBuf.truncate(FCur - FBuf.data());
        return std::move(FBuf);
    }

    bool NonAscii() const { return FNonAscii; }
    // True when ANSI characters above 127 were written raw.
    bool WroteRawAnsi() const { return FWroteRawAnsi; }

private:
    // ------------------------------------------------------------ output
    [[gnu::noinline]] void Grow(int64_t need)
    {
        const int64_t used = FBuf.isEmpty() ? 0 : FCur - FBuf.data();
        // Only indentation lets text outgrow its stream by this much: deep nesting
        // with tiny values would otherwise turn megabytes into gigabytes.
        if (used + need > FLimit)
            ThrowNestingTooDeep();
        const int64_t capacity = std::max<int64_t>(used + need, FBuf.size() + FBuf.size() / 2);
        FBuf.resize(capacity);
        FCur = FBuf.data() + used;
        FEnd = FBuf.data() + FBuf.size();
        AdviseHugePages(FBuf.data(), FBuf.size());
    }
    void Ensure(int64_t n)
    {
        if (FEnd - FCur < n) [[unlikely]]
            Grow(n);
    }
    void Put(char c)
    {
        Ensure(1);
        *FCur++ = c;
    }
    void Put(const char* s, int64_t n)
    {
        if (n <= 0) // an empty view may carry no pointer at all
            return;
        Ensure(n);
        std::memcpy(FCur, s, size_t(n));
        FCur += n;
    }
    template <size_t N> void PutLiteral(const char (&s)[N])
    {
        Ensure(N - 1);
        std::memcpy(FCur, s, N - 1);
        FCur += N - 1;
    }
    // n blanks at d; room for max(n, kBlankBlock) bytes must exist.
    static char* PutBlanks(char* d, int64_t n)
    {
        if (n <= kBlankBlock) {
            std::memcpy(d, kBlanks, kBlankBlock); // one fixed-size copy, then keep n of it
            return d + n;
        }
        std::memset(d, ' ', size_t(n));
        return d + n;
    }
    void PutIndent()
    {
        const int64_t n = int64_t(FLevel) * 2;
        Ensure(n + kBlankBlock);
        FCur = PutBlanks(FCur, n);
    }
    void PutNewLine()
    {
        const int64_t n = int64_t(FLevel) * 2;
        Ensure(n + 2 + kBlankBlock);
        FCur[0] = '\r';
        FCur[1] = '\n';
        FCur = PutBlanks(FCur + 2, n);
    }
    void PutCrLf()
    {
        Ensure(2);
        FCur[0] = '\r';
        FCur[1] = '\n';
        FCur += 2;
    }
    template <typename T> void PutDecimal(T v)
    {
        Ensure(24);
        FCur = std::to_chars(FCur, FEnd, v).ptr;
    }
    // A class, object, property, identifier or set element name: its UTF-8 bytes.
    void PutName(QByteArrayView utf8)
    {
        if (IsAscii(utf8)) {
            Put(utf8.data(), utf8.size());
            return;
        }
        const QString decoded = DecodeUtf8(utf8);
        const QByteArray bytes = decoded.toUtf8();
        if (bytes.size() > decoded.size())
            FNonAscii = true;
        Put(bytes.constData(), bytes.size());
    }

    // ------------------------------------------------------------ nesting
    void Enter()
    {
        if (++FDepth > kMaxNestingDepth)
            ThrowNestingTooDeep();
    }
    void Leave() { --FDepth; }

    // The short name whose length byte lies at offset pos of the input.
    QString NameAt(int64_t pos) const
    {
        if (pos < 0)
            return {};
        return DecodeUtf8(NameBytesAt(pos));
    }

    [[noreturn]] void ThrowUnknownTag(int t) const
    {
        const QString message =
            QString::fromUtf16(u"%1%2%3 の読み取り中のエラー : %4")
                .arg(NameAt(FHeaderNamePos), QStringLiteral("."), NameAt(FPropertyNamePos), QString::number(t));
        throw EReadError(message, TErrorPosition{FReader.Position()});
    }

    // A length field followed by that many bytes; fails before anything that size is touched.
    int64_t ReadLength()
    {
        const int32_t n = FReader.ReadInt32Raw();
        if (n < 0 || n > FReader.Remaining())
            ThrowReadError(FReader.Position());
        return n;
    }

    // ------------------------------------------------------------ structure
    // The short name whose length byte lies at offset pos of the input, without copying.
    QByteArrayView NameBytesAt(int64_t pos) const
    {
        const char* p = FInput.data().constData() + pos;
        return QByteArrayView(p + 1, static_cast<unsigned char>(p[0]));
    }

    void ConvertObject()
    {
        Enter();
        TFilerFlags flags = 0;
        int32_t childPos = 0;
        FReader.ReadPrefix(flags, childPos);
        const int64_t classPos = FReader.Position();
        FReader.ReadStrBytes();
        const int64_t objectPos = FReader.Position();
        const bool named = !FReader.ReadStrBytes().isEmpty();
        FHeaderNamePos = named ? objectPos : classPos;

        const int n = FLevel;
        PutIndent();
        if (flags & ffInherited)
            PutLiteral("inherited ");
        else if (flags & ffInline)
            PutLiteral("inline ");
        else
            PutLiteral("object ");
        if (named) {
            PutName(NameBytesAt(objectPos));
            PutLiteral(": ");
        }
        PutName(NameBytesAt(classPos));
        if (flags & ffChildPos) {
            PutLiteral(" [");
            PutDecimal(childPos);
            Put(']');
        }
        PutCrLf();

        FLevel = n + 1;
        while (!FReader.EndOfList())
            ConvertProperty();
        FReader.CheckValue(vaNull);
        while (!FReader.EndOfList())
            ConvertObject();
        FReader.CheckValue(vaNull);
        FLevel = n;
        PutIndent();
        PutLiteral("end\r\n");
        Leave();
    }

    void ConvertProperty()
    {
        PutIndent();
        FPropertyNamePos = FReader.Position();
        PutName(FReader.ReadStrBytes());
        PutLiteral(" = ");
        const int openLists = FOpenLists;
        FOpenLists = 0;
        ConvertValue();
        FOpenLists = openLists;
        PutCrLf();
    }

    void ConvertValue()
    {
        const uint8_t tag = FReader.PeekByte();
        const int t = tag & 0x7F;
        if (t > kMaxValueType)
            ThrowUnknownTag(t);
        switch (t) {
        case vaNull:
        case vaFalse:
        case vaTrue:
        case vaNil:
        case vaIdent:
            PutName(FReader.ReadIdentBytes());
            return;
        case vaList:
            ConvertList();
            return;
        case vaBinary:
            ConvertBinary();
            return;
        case vaSet:
            ConvertSet();
            return;
        case vaCollection:
            ConvertCollection();
            return;
        default:
            break;
        }
        // The remaining readers accept the exact tag only.
        if (tag != t)
            ThrowInvalidValue(FReader.Position());
        ConvertScalar(t);
    }

    // Numbers and strings; kept out of line so that the recursion stays lean.
    [[gnu::noinline]] void ConvertScalar(int t)
    {
        char buf[kMaxFloatTextSize];
        switch (t) {
        case vaInt8:
        case vaInt16:
        case vaInt32:
            PutDecimal(FReader.ReadInteger());
            return;
        case vaInt64:
            PutDecimal(FReader.ReadInt64());
            return;
        case vaExtended:
        case vaDouble:
            Put(buf, FormatFixed(FReader.ReadFloat(), buf));
            return;
        case vaSingle:
            Put(buf, FormatGeneral(FReader.ReadSingle(), buf));
            Put('s');
            return;
        case vaCurrency:
            PutCurrency(FReader.ReadCurrency(), buf);
            Put('c');
            return;
        case vaDate:
            Put(buf, FormatGeneral(FReader.ReadDate(), buf));
            Put('d');
            return;
        case vaString:
        case vaLString:
        case vaWString:
        case vaUTF8String:
            ConvertString(FReader.ReadStringBytes());
            return;
        default:
            ThrowInvalidValue(FReader.Position());
        }
    }

    // The stored integer of a currency value in the general format, or all its
    // digits where the 15 significant digits would read back as another integer
    // (or overflow, as the largest values do).
    void PutCurrency(int64_t v, char* buf)
    {
        const int n = FormatGeneral(static_cast<long double>(v), buf);
        long double back = 0;
        const auto [ptr, ec] = std::from_chars(buf, buf + n, back, std::chars_format::general);
        const long double rounded = std::nearbyint(back);
        const bool exact = ec == std::errc() && ptr == buf + n && rounded >= -9223372036854775808.0L
            && rounded < 9223372036854775808.0L && static_cast<int64_t>(rounded) == v;
        if (exact)
            Put(buf, n);
        else
            PutDecimal(v);
    }

    void ConvertList()
    {
        FReader.ReadByte();
        Enter();
        Put('(');
        ++FLevel;
        ++FOpenLists;
        while (!FReader.EndOfList()) {
            PutNewLine();
            ConvertValue();
        }
        FReader.CheckValue(vaNull);
        --FOpenLists;
        --FLevel;
        Put(')');
        Leave();
    }

    // Offset in FBuf of the first byte of the line being written (looking back no
    // further than a line the tokenizer can read).
    int64_t CurrentLineStart() const
    {
        const char* begin = FBuf.constData() + kBomRoom;
        const char* stop = FCur - begin > kMaxLineBytes + 1 ? FCur - kMaxLineBytes - 1 : begin;
        const char* p = FCur;
        while (p > stop && p[-1] != '\n')
            --p;
        return p - FBuf.constData();
    }

    // A set that does not fit the line goes on over further lines, one level deeper
    // than the property, each break after a comma where the next element would
    // carry the line beyond kMaxLineBytes.
    [[gnu::noinline]] void ConvertSet()
    {
        FReader.ReadByte();
        Put('[');
        // What may follow the last element on its line: "]", the ")" of every list
        // opened since the property began, and the CR.
        const int64_t lastTail = 2 + FOpenLists;
        int64_t lineStart = CurrentLineStart();
        bool first = true;
        for (;;) {
            const QByteArrayView element = FReader.ReadStrBytes();
            if (element.isEmpty())
                break;
            if (first) {
                PutName(element);
                first = false;
                continue;
            }
            Put(',');
            const int64_t comma = FCur - FBuf.data();
            Put(' ');
            PutName(element);
            // A further element leaves "," and the CR at the line's end.
            const int64_t tail = FReader.EndOfList() ? lastTail : 2;
            if (FCur - FBuf.data() - lineStart + tail > kMaxLineBytes) {
                const int64_t size = FCur - FBuf.data() - comma - 1;
                const int64_t indent = int64_t(FLevel + 1) * 2;
                Ensure(2 + indent);
                char* at = FBuf.data() + comma;
                std::memmove(at + 2 + indent, at + 1, size_t(size));
                at[0] = '\r';
                at[1] = '\n';
                std::memset(at + 2, ' ', size_t(indent));
                FCur = at + 2 + indent + size;
                lineStart = comma + 2;
            }
        }
        Put(']');
    }

    void ConvertCollection()
    {
        FReader.ReadByte();
        Enter();
        Put('<');
        const int c = ++FLevel;
        while (!FReader.EndOfList()) {
            PutNewLine();
            PutLiteral("item");
            const uint8_t next = FReader.NextValue();
            if (next == vaInt8 || next == vaInt16 || next == vaInt32) {
                PutLiteral(" [");
                ConvertValue();
                Put(']');
            }
            PutCrLf();
            FReader.CheckValue(vaList);
            FLevel = c + 1;
            while (!FReader.EndOfList())
                ConvertProperty();
            FReader.CheckValue(vaNull);
            FLevel = c;
            PutIndent();
            PutLiteral("end");
        }
        FReader.CheckValue(vaNull);
        FLevel = c - 1;
        Put('>');
        Leave();
    }

    [[gnu::noinline]] void ConvertBinary()
    {
        FReader.ReadByte();
        Put('{');
        ++FLevel;
        const int64_t n = ReadLength();
        const QByteArrayView data = FReader.ReadView(n);
        const auto* p = reinterpret_cast<const uint8_t*>(data.data());
        const int64_t lines = (n + kBinaryLineBytes - 1) / kBinaryLineBytes;
        const bool wrap = n >= kBinaryLineBytes;
        const int64_t indent = int64_t(FLevel) * 2 + 2;
        Ensure(n * 2 + (wrap ? lines * indent : 0) + 1);
        char* d = FCur; // a local pointer: stores through char* would force FCur to memory
        for (int64_t done = 0; done < n; done += kBinaryLineBytes) {
            if (wrap) {
                d[0] = '\r';
                d[1] = '\n';
                std::memset(d + 2, ' ', size_t(indent - 2));
                d += indent;
            }
            const uint8_t* q = p + done;
            const int64_t chunk = std::min(kBinaryLineBytes, n - done);
            int64_t i = 0;
#if defined(__SSE2__)
            for (; i + 16 <= chunk; i += 16)
                HexBlock16(q + i, d + 2 * i);
#endif
            for (; i < chunk; ++i)
                std::memcpy(d + 2 * i, &kHexPairs[q[i]], 2);
            d += 2 * chunk;
        }
        FCur = d;
        --FLevel;
        *FCur++ = '}';
    }

    // ------------------------------------------------------------ strings
    void ConvertString(const TStringBytes& value)
    {
        const QByteArrayView bytes = value.Bytes;
        const auto* raw = reinterpret_cast<const uint8_t*>(bytes.data());
        if (value.Type == vaWString) {
            WriteString(Utf16LEUnits{raw}, bytes.size() / 2, Escaping::Unicode);
            return;
        }
        const Escaping escaping = value.Type == vaUTF8String ? Escaping::Unicode : Escaping::Ansi;
        if (IsAscii(bytes)) {
            WriteString(ByteUnits{raw}, bytes.size(), escaping);
            return;
        }
        const QString s = DecodeStringValue(value);
        // Under a byte-order mark the characters are written as UTF-8. A byte the code
        // page cannot decode has no UTF-8 form; it becomes the #-code of its stand-in
        // (a lone surrogate), and since quoted text next to such a code is not decoded
        // when read back, the whole string is then written with #-codes.
        const bool undecodable = escaping == Escaping::Ansi && FUtf8Strings
            && std::any_of(s.cbegin(), s.cend(), [](QChar c) { return c.isSurrogate(); });
        WriteString(StringUnits{reinterpret_cast<const char16_t*>(s.utf16())}, s.size(),
            undecodable ? Escaping::Unicode : escaping);
    }

    static bool NeedsCode(char16_t u, Escaping escaping)
    {
        if (u < 32 || u == '\'')
            return true;
        if (u < 128)
            return false;
        return escaping == Escaping::Unicode;
    }

    // Writes the quoted run s[k, i) of characters that need no code.
    template <typename Units> void PutRun(const Units& s, int64_t k, int64_t i)
    {
        const int64_t n = i - k;
        Ensure(n + 2);
        *FCur++ = '\'';
        if constexpr (std::is_same_v<Units, ByteUnits>) {
            std::memcpy(FCur, s.p + k, size_t(n));
            FCur += n;
        } else if constexpr (std::is_same_v<Units, Utf16LEUnits>) {
            for (int64_t m = k; m < i; ++m)
                *FCur++ = char(s[m]);
        } else {
            bool ascii = true;
            for (int64_t m = k; m < i; ++m)
                ascii = ascii && s[m] < 0x80;
            if (ascii) {
                for (int64_t m = k; m < i; ++m)
                    *FCur++ = char(s[m]);
            } else {
                const QStringView run(s.p + k, n);
                const QByteArray bytes = FUtf8Strings ? run.toUtf8() : ansi::encode(run);
                if (!FUtf8Strings)
                    FWroteRawAnsi = true;
                Put(bytes.constData(), bytes.size());
                Ensure(1);
            }
        }
        *FCur++ = '\'';
    }

    template <typename Units> void WriteString(const Units& s, int64_t length, Escaping escaping)
    {
        if (length == 0) {
            PutLiteral("''");
            return;
        }
        ++FLevel;
        if (length > kStringLineUnits)
            PutNewLine();
        int64_t i = 0; // next unit to write
        int64_t j = 0; // first unit on the current line
        while (i < length) {
            const char16_t u = s[i];
            if (NeedsCode(u, escaping)) {
                Ensure(8);
                *FCur++ = '#';
                FCur = std::to_chars(FCur, FEnd, int(u)).ptr;
                ++i;
            } else {
                const int64_t k = i;
                ++i;
                const int64_t stop = std::min(length, j + kStringLineUnits);
                while (i < stop && !NeedsCode(s[i], escaping))
                    ++i;
                PutRun(s, k, i);
            }
            if (i - j >= kStringLineUnits && i < length) {
                PutLiteral(" +");
                PutNewLine();
                j = i;
            }
        }
        --FLevel;
    }

    ByteStream& FInput;
    TReader FReader;
    QByteArray FBuf;
    char* FCur = nullptr;
    char* FEnd = nullptr;
    int FLevel = 0;
    int FDepth = 0;
    // Lists opened since the current property began; their ")" may end a line.
    int FOpenLists = 0;
    bool FUtf8Strings;
    bool FNonAscii = false;
    bool FWroteRawAnsi = false;
    int64_t FLimit = 0;
    int64_t FHeaderNamePos = -1;
    int64_t FPropertyNamePos = -1;
};

// Appends text to output at its position, moving the buffer in when output is empty.
void Deliver(QByteArray text, bool bom, ByteStream& output)
{
    if (bom)
        std::memcpy(text.data(), "\xEF\xBB\xBF", kBomRoom);
    else
        text.remove(0, kBomRoom);
    if (output.size() == 0 && output.position() == 0) {
        output.setData(std::move(text));
        output.seek(output.size());
    } else {
        output.write(text);
    }
}

} // namespace

void BinaryStreamToText(ByteStream& input, ByteStream& output)
{
    const int64_t start = input.position();
    QByteArray text;
    bool nonAscii = false;
    {
        TextWriter writer(input, false);
        text = writer.Run();
        nonAscii = writer.NonAscii();
        if (nonAscii && writer.WroteRawAnsi())
            text.clear();
    }
    if (nonAscii && text.isEmpty()) {
        // The text starts with a byte-order mark, so it must be UTF-8 throughout:
        // convert again with the ANSI string contents written as UTF-8.
        input.seek(start);
        TextWriter writer(input, true);
        text = writer.Run();
    }
    Deliver(std::move(text), nonAscii, output);
}

void BinaryResourceToText(ByteStream& input, ByteStream& output)
{
    ReadResHeader(input);
    BinaryStreamToText(input, output);
}

} // namespace korvel
