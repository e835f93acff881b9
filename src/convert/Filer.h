// The binary form stream: value tags, object flags, and the buffered reader and
// writer (TReader, TWriter, TWriterEx) that both form conversions use.
#pragma once

#include "convert/ByteStream.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <type_traits>

namespace korvel {

// The tag byte in front of every value of a binary form stream.
enum TValueType : uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
    vaUTF8String = 20,
    vaDouble = 21,
};

// The highest tag value that names a value kind.
constexpr int kMaxValueType = vaDouble;

// One flag of an object prefix.
enum TFilerFlag : uint8_t {
    ffInherited = 1,
    ffChildPos = 2,
    ffInline = 4,
};
// A set of TFilerFlag values (low four bits of a prefix byte).
using TFilerFlags = int;
// Where an object begins, a byte of this value or above is a prefix, never a name's length.
constexpr int kFirstPrefixByte = 0xF0;

// The deepest nesting either conversion accepts. Objects, lists and collections
// each count one level (the root object is level 1); deeper input fails with
// EReadError / EParserError carrying kMsgNestingTooDeep.
constexpr int kMaxNestingDepth = 1000;

// Messages of the binary form stream errors.
inline constexpr char16_t kMsgNestingTooDeep[] = u"入れ子が深すぎます";
inline constexpr char16_t kMsgReadError[] = u"ストリームからの読み取りエラー";
inline constexpr char16_t kMsgInvalidStreamFormat[] = u"ストリーム形式が無効です";
inline constexpr char16_t kMsgInvalidPropertyValue[] = u"プロパティ値が無効です";
// A class name that cannot be stored; %1 is the name.
inline constexpr char16_t kMsgNameTooLong[] = u"コンポーネント名 '%1' は 64 文字の制限を超えています。 ";

// Throw EReadError with kMsgNestingTooDeep, kMsgReadError (the stream ends early)
// or kMsgInvalidPropertyValue (a tag the operation does not accept); offset is
// where in the stream the reading failed, -1 when not known.
[[noreturn]] void ThrowNestingTooDeep(int64_t offset = -1);
[[noreturn]] void ThrowReadError(int64_t offset = -1);
[[noreturn]] void ThrowInvalidValue(int64_t offset = -1);

// The identifier a tag stands for without a name of its own: "Null", "False",
// "True" or "nil"; empty for every other tag.
constexpr QByteArrayView IdentTagName(int tag) noexcept
{
    switch (tag) {
    case vaNull:
        return "Null";
    case vaFalse:
        return "False";
    case vaTrue:
        return "True";
    case vaNil:
        return "nil";
    default:
        return {};
    }
}

// A string value as stored: its tag and raw bytes (ANSI for vaString and
// vaLString, UTF-16LE code units for vaWString, UTF-8 for vaUTF8String).
struct TStringBytes {
    TValueType Type;
    QByteArrayView Bytes;
};

// The text of a string value.
QString DecodeStringValue(const TStringBytes& value);

// Common base of TReader and TWriter: a byte stream it does not own and a
// 4096-byte buffer of its own.
class TFiler {
public:
    static constexpr int kBufferSize = 4096;

    explicit TFiler(ByteStream& stream) : FStream(stream) { }
    TFiler(const TFiler&) = delete;
    TFiler& operator=(const TFiler&) = delete;

protected:
    ByteStream& FStream;
    int FBufPos = 0;
    int FBufEnd = 0;
    uint8_t FBuffer[kBufferSize];
};

// Reads a binary form stream. Every failure throws EReadError: kMsgReadError
// when the stream ends early (also for a length field larger than what is left,
// checked before anything of that size is allocated) and kMsgInvalidPropertyValue
// for a tag the operation does not accept.
class TReader : public TFiler {
public:
    explicit TReader(ByteStream& stream) : TFiler(stream) { }
    // Leaves the stream positioned just after the last byte consumed.
    ~TReader();

    // Consumes one tag byte.
    TValueType ReadValue() { return static_cast<TValueType>(ReadByte()); }
    // The next tag byte, not consumed.
    TValueType NextValue() { return static_cast<TValueType>(PeekByte()); }
    // True when the next byte is 00 (not consumed).
    bool EndOfList() { return PeekByte() == 0; }
    // Consumes one tag byte; throws unless it equals v.
    void CheckValue(TValueType v);
    void ReadListBegin() { CheckValue(vaList); }
    void ReadListEnd() { CheckValue(vaNull); }
    // Reads an object prefix when the next byte is F0 or above; flags are 0 when
    // there is none, childPos is set only when flags hold ffChildPos.
    void ReadPrefix(TFilerFlags& flags, int32_t& childPos);
    // Reads the four signature bytes; throws kMsgInvalidStreamFormat unless "TPF0".
    void ReadSignature();
    // A short name (length byte + UTF-8 bytes), decoded.
    QString ReadStr();
    // A short name's raw UTF-8 bytes; the view is valid until the next read.
    QByteArrayView ReadStrBytes();
    // A string value (vaString, vaLString, vaWString, vaUTF8String), decoded.
    QString ReadString() { return DecodeStringValue(ReadStringBytes()); }
    // A string value's tag and bytes; the view is valid until the next read.
    TStringBytes ReadStringBytes();
    // An identifier value: Null, an identifier, False, True or nil.
    QString ReadIdent();
    // The same as UTF-8 bytes (the tag's name, or the identifier's bytes); the
    // view is valid until the next read. The tag's high bit is ignored.
    QByteArrayView ReadIdentBytes();
    // vaInt8/16/32, sign-extended.
    int32_t ReadInteger();
    // vaInt64, else as ReadInteger.
    int64_t ReadInt64();
    // vaExtended or vaDouble, else as ReadInt64.
    long double ReadFloat();
    // vaSingle (widened), else as ReadInt64.
    long double ReadSingle();
    // vaCurrency's stored integer (amount × 10000), else ReadInt64 × 10000.
    int64_t ReadCurrency();
    // vaDate, else as ReadInt64.
    long double ReadDate();
    // Copies count raw bytes.
    void Read(void* dest, int64_t count);
    // count raw bytes without copying when possible; valid until the next read.
    QByteArrayView ReadView(int64_t count);
    // A raw little-endian 32-bit integer (a length field).
    int32_t ReadInt32Raw();

    // One raw byte.
    uint8_t ReadByte()
    {
        if (FBufPos == FBufEnd)
            FillBuffer();
        return FBuffer[FBufPos++];
    }
    // The next raw byte, not consumed.
    uint8_t PeekByte()
    {
        if (FBufPos == FBufEnd)
            FillBuffer();
        return FBuffer[FBufPos];
    }
    // Bytes left between the read position and the end of the stream.
    int64_t Remaining() const;
    // The stream offset of the next byte to be read.
    int64_t Position() const { return FStream.position() - (FBufEnd - FBufPos); }

private:
    // Refills an exhausted buffer; throws kMsgReadError when the stream is at its end.
    void FillBuffer();
    // Throws kMsgReadError unless count bytes are left.
    void Require(int64_t count) const;
};

// Writes a binary form stream into a byte stream through a 4096-byte buffer,
// which is flushed when full, on FlushBuffer() and on destruction.
class TWriter : public TFiler {
public:
    explicit TWriter(ByteStream& stream) : TFiler(stream) { }
    ~TWriter();

    // Writes the buffered bytes to the stream.
    void FlushBuffer();
    // The stream offset at which the next byte will land.
    int64_t Position() const { return FStream.position() + FBufPos; }

    // "TPF0".
    void WriteSignature();
    // One tag byte.
    void WriteTag(TValueType t) { WriteByte(t); }
    // Nothing for flags 0; else F0|flags and, with ffChildPos, WriteInteger(childPos).
    void WriteObjectPrefix(TFilerFlags flags, int32_t childPos);
    // A short name: the UTF-8 bytes cut to 255, after their length.
    void WriteStr(QStringView s) { WriteStrBytes(s.toUtf8()); }
    // Same as WriteStr.
    void WriteUTF8Str(QStringView s) { WriteStrBytes(s.toUtf8()); }
    // WriteStr for a name that is already UTF-8.
    void WriteStrBytes(QByteArrayView utf8);
    // False/True/Null/nil (ASCII case ignored) as their tags, else vaIdent + short name.
    void WriteIdent(QStringView s) { WriteIdentBytes(s.toUtf8()); }
    // WriteIdent for an identifier that is already UTF-8.
    void WriteIdentBytes(QByteArrayView utf8);
    // The smallest of vaInt8, vaInt16, vaInt32.
    void WriteInteger(int32_t v);
    // As the 32-bit form when it fits, else vaInt64.
    void WriteInteger(int64_t v);
    // The same for another signed 64-bit type (qint64 is long long, int64_t is long).
    template <typename T>
    requires(std::is_integral_v<T>&& std::is_signed_v<T> && sizeof(T) == 8
        && !std::is_same_v<T, int64_t>) void WriteInteger(T v)
    {
        WriteInteger(static_cast<int64_t>(v));
    }
    // vaExtended and the 10-byte extended value.
    void WriteFloat(long double x);
    // vaSingle and x rounded to single precision.
    void WriteSingle(long double x);
    // vaDouble and x rounded to double precision.
    void WriteDouble(long double x);
    // vaCurrency and the stored integer (amount × 10000).
    void WriteCurrency(int64_t c);
    // vaDate and x rounded to double precision.
    void WriteDate(long double x);
    void WriteListBegin() { WriteByte(vaList); }
    void WriteListEnd() { WriteByte(vaNull); }
    // vaBinary, the 4-byte length, the bytes.
    void WriteBinaryValue(QByteArrayView data);
    // A string value by the standard rule: vaWString, vaUTF8String, vaString or
    // vaLString, whichever the characters call for.
    void WriteString(QStringView s);

    // vaString (≤ 255 bytes) or vaLString with bytes already in the ANSI code page.
    void WriteAnsiBytes(QByteArrayView bytes);

    // Raw bytes.
    void Write(const void* src, int64_t count);
    // One raw byte.
    void WriteByte(uint8_t b)
    {
        if (FBufPos == kBufferSize)
            FlushBuffer();
        FBuffer[FBufPos++] = b;
    }

protected:
    void WriteInt32Raw(int32_t v);
    // The code units of s as UTF-16LE.
    void WriteUtf16Units(QStringView s);
};

// The writer of the ANSI text-to-binary variant.
class TWriterEx : public TWriter {
public:
    using TWriter::TWriter;
    // The ANSI bytes of s (unrepresentable characters replaced) as vaString
    // when they are at most 255, else vaLString.
    void WriteAnsiString(QStringView s);
};

} // namespace korvel
