#include "convert/Filer.h"

#include "convert/AnsiCodePage.h"
#include "convert/Ascii.h"
#include "convert/Extended.h"
#include "convert/Utf8.h"
#include "errors/Errors.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace korvel {
namespace {

template <typename T> T LoadLE(const uint8_t* p)
{
    using U = std::make_unsigned_t<T>;
    U v = 0;
    for (int i = int(sizeof(T)) - 1; i >= 0; --i)
        v = U((v << 8) | p[i]);
    return static_cast<T>(v);
}

template <typename T> void StoreLE(T value, uint8_t* p)
{
    using U = std::make_unsigned_t<T>;
    const U v = static_cast<U>(value);
    for (int i = 0; i < int(sizeof(T)); ++i)
        p[i] = uint8_t(v >> (8 * i));
}

// True when s holds no unpaired surrogate, so it has an exact UTF-8 form.
bool IsWellFormedUtf16(QStringView s)
{
    const char16_t* p = s.utf16();
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = p[i];
        if (u < 0xD800 || u > 0xDFFF)
            continue;
        if (u >= 0xDC00 || i + 1 == n || p[i + 1] < 0xDC00 || p[i + 1] > 0xDFFF)
            return false;
        ++i;
    }
    return true;
}

} // namespace

void ThrowNestingTooDeep(int64_t offset)
{
    throw EReadError(QString::fromUtf16(kMsgNestingTooDeep), TErrorPosition{offset});
}

void ThrowReadError(int64_t offset)
{
    throw EReadError(QString::fromUtf16(kMsgReadError), TErrorPosition{offset});
}

void ThrowInvalidValue(int64_t offset)
{
    throw EReadError(QString::fromUtf16(kMsgInvalidPropertyValue), TErrorPosition{offset});
}

QString DecodeStringValue(const TStringBytes& value)
{
    switch (value.Type) {
    case vaWString: {
        const qsizetype n = value.Bytes.size() / 2;
        QString s(n, Qt::Uninitialized);
        char16_t* d = reinterpret_cast<char16_t*>(s.data());
        const auto* p = reinterpret_cast<const uint8_t*>(value.Bytes.data());
        for (qsizetype i = 0; i < n; ++i)
            d[i] = char16_t(p[2 * i] | (p[2 * i + 1] << 8));
        return s;
    }
    case vaUTF8String:
        return DecodeUtf8(value.Bytes);
    default:
        return ansi::decode(value.Bytes);
    }
}

// ---------------------------------------------------------------- TReader

TReader::~TReader()
{
    // Give the unread part of the buffer back, as if it had never been read.
    FStream.seekRelative(-(FBufEnd - FBufPos));
}

void TReader::FillBuffer()
{
    const int64_t n = FStream.read(FBuffer, kBufferSize);
    if (n <= 0)
        ThrowReadError(Position());
    FBufPos = 0;
    FBufEnd = int(n);
}

int64_t TReader::Remaining() const
{
    return (FBufEnd - FBufPos) + std::max<int64_t>(0, FStream.size() - FStream.position());
}

void TReader::Require(int64_t count) const
{
    if (count < 0 || count > Remaining())
        ThrowReadError(Position());
}

void TReader::Read(void* dest, int64_t count)
{
    if (count <= 0)
        return;
    Require(count);
    const QByteArrayView v = ReadView(count);
    std::memcpy(dest, v.data(), size_t(count));
}

QByteArrayView TReader::ReadView(int64_t count)
{
    if (count <= 0)
        return {};
    const int64_t buffered = FBufEnd - FBufPos;
    if (count <= buffered) {
        const char* p = reinterpret_cast<const char*>(FBuffer) + FBufPos;
        FBufPos += int(count);
        return QByteArrayView(p, count);
    }
    Require(count);
    // The stream is in memory and holds every buffered byte too, so the bytes at
    // the logical position can be viewed there directly.
    const int64_t start = Position();
    FStream.seek(start + count);
    FBufPos = FBufEnd = 0;
    return QByteArrayView(FStream.data().constData() + start, count);
}

int32_t TReader::ReadInt32Raw()
{
    uint8_t b[4];
    if (FBufEnd - FBufPos >= 4) {
        std::memcpy(b, FBuffer + FBufPos, 4);
        FBufPos += 4;
    } else {
        Read(b, 4);
    }
    return LoadLE<int32_t>(b);
}

void TReader::CheckValue(TValueType v)
{
    if (ReadValue() != v)
        ThrowInvalidValue(Position() - 1);
}

void TReader::ReadPrefix(TFilerFlags& flags, int32_t& childPos)
{
    flags = 0;
    if (PeekByte() >= kFirstPrefixByte) {
        flags = ReadByte() & 0x0F;
        if (flags & ffChildPos)
            childPos = ReadInteger();
    }
}

void TReader::ReadSignature()
{
    uint8_t sig[4];
    Read(sig, 4);
    if (std::memcmp(sig, "TPF0", 4) != 0)
        throw EReadError(QString::fromUtf16(kMsgInvalidStreamFormat), TErrorPosition{Position() - 4});
}

QByteArrayView TReader::ReadStrBytes()
{
    const int n = ReadByte();
    return ReadView(n);
}

QString TReader::ReadStr()
{
    return DecodeUtf8(ReadStrBytes());
}

TStringBytes TReader::ReadStringBytes()
{
    const int64_t at = Position();
    const TValueType type = ReadValue();
    int64_t size = 0;
    switch (type) {
    case vaString:
        size = ReadByte();
        break;
    case vaLString:
    case vaUTF8String:
        size = ReadInt32Raw();
        break;
    case vaWString:
        size = int64_t(ReadInt32Raw()) * 2;
        break;
    default:
        ThrowInvalidValue(at);
    }
    Require(size);
    return {type, ReadView(size)};
}

QByteArrayView TReader::ReadIdentBytes()
{
    const int64_t at = Position();
    const int tag = ReadValue() & 0x7F;
    if (tag == vaIdent)
        return ReadStrBytes();
    const QByteArrayView name = IdentTagName(tag);
    if (name.isEmpty())
        ThrowInvalidValue(at);
    return name;
}

QString TReader::ReadIdent()
{
    return DecodeUtf8(ReadIdentBytes());
}

int32_t TReader::ReadInteger()
{
    switch (ReadValue()) {
    case vaInt8:
        return static_cast<int8_t>(ReadByte());
    case vaInt16: {
        uint8_t b[2];
        Read(b, 2);
        return LoadLE<int16_t>(b);
    }
    case vaInt32:
        return ReadInt32Raw();
    default:
        ThrowInvalidValue(Position() - 1);
    }
}

int64_t TReader::ReadInt64()
{
    if (NextValue() == vaInt64) {
        ReadValue();
        uint8_t b[8];
        Read(b, 8);
        return LoadLE<int64_t>(b);
    }
    return ReadInteger();
}

long double TReader::ReadFloat()
{
    const TValueType t = NextValue();
    if (t == vaExtended) {
        ReadValue();
        uint8_t b[kExtendedSize];
        Read(b, kExtendedSize);
        return ExtendedFromBytes(b);
    }
    if (t == vaDouble) {
        ReadValue();
        uint8_t b[8];
        Read(b, 8);
        return std::bit_cast<double>(LoadLE<uint64_t>(b));
    }
    return static_cast<long double>(ReadInt64());
}

long double TReader::ReadSingle()
{
    if (NextValue() == vaSingle) {
        ReadValue();
        uint8_t b[4];
        Read(b, 4);
        return std::bit_cast<float>(LoadLE<uint32_t>(b));
    }
    return static_cast<long double>(ReadInt64());
}

int64_t TReader::ReadCurrency()
{
    if (NextValue() == vaCurrency) {
        ReadValue();
        uint8_t b[8];
        Read(b, 8);
        return LoadLE<int64_t>(b);
    }
    int64_t result = 0;
    // An integer whose amount × 10000 does not fit is refused rather than wrapped.
    const int64_t at = Position();
    if (__builtin_mul_overflow(ReadInt64(), int64_t(10000), &result))
        ThrowInvalidValue(at);
    return result;
}

long double TReader::ReadDate()
{
    if (NextValue() == vaDate) {
        ReadValue();
        uint8_t b[8];
        Read(b, 8);
        return std::bit_cast<double>(LoadLE<uint64_t>(b));
    }
    return static_cast<long double>(ReadInt64());
}

// ---------------------------------------------------------------- TWriter

TWriter::~TWriter()
{
    FlushBuffer();
}

void TWriter::FlushBuffer()
{
    if (FBufPos > 0)
        FStream.write(FBuffer, FBufPos);
    FBufPos = 0;
}

void TWriter::Write(const void* src, int64_t count)
{
    if (count <= 0)
        return;
    if (count <= kBufferSize - FBufPos) {
        std::memcpy(FBuffer + FBufPos, src, size_t(count));
        FBufPos += int(count);
        return;
    }
    FlushBuffer();
    if (count >= kBufferSize) {
        FStream.write(src, count); // large payloads go straight to the stream
        return;
    }
    std::memcpy(FBuffer, src, size_t(count));
    FBufPos = int(count);
}

void TWriter::WriteInt32Raw(int32_t v)
{
    uint8_t b[4];
    StoreLE(v, b);
    Write(b, 4);
}

void TWriter::WriteSignature()
{
    Write("TPF0", 4);
}

void TWriter::WriteObjectPrefix(TFilerFlags flags, int32_t childPos)
{
    if (flags == 0)
        return;
    WriteByte(uint8_t(kFirstPrefixByte | (flags & 0x0F)));
    if (flags & ffChildPos)
        WriteInteger(childPos);
}

void TWriter::WriteStrBytes(QByteArrayView utf8)
{
    const qsizetype n = std::min<qsizetype>(utf8.size(), 255);
    WriteByte(uint8_t(n));
    Write(utf8.data(), n);
}

void TWriter::WriteIdentBytes(QByteArrayView utf8)
{
    for (const TValueType tag : {vaFalse, vaTrue, vaNull, vaNil}) {
        if (EqualsAsciiNoCase(utf8, IdentTagName(tag))) {
            WriteByte(tag);
            return;
        }
    }
    WriteByte(vaIdent);
    WriteStrBytes(utf8);
}

void TWriter::WriteInteger(int32_t v)
{
    if (v >= -128 && v <= 127) {
        WriteByte(vaInt8);
        WriteByte(uint8_t(v));
    } else if (v >= -32768 && v <= 32767) {
        uint8_t b[3] = {vaInt16};
        StoreLE(int16_t(v), b + 1);
        Write(b, 3);
    } else {
        WriteByte(vaInt32);
        WriteInt32Raw(v);
    }
}

void TWriter::WriteInteger(int64_t v)
{
    if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max()) {
        WriteInteger(int32_t(v));
        return;
    }
    uint8_t b[9] = {vaInt64};
    StoreLE(v, b + 1);
    Write(b, 9);
}

void TWriter::WriteFloat(long double x)
{
    uint8_t b[1 + kExtendedSize] = {vaExtended};
    ExtendedToBytes(x, b + 1);
    Write(b, sizeof b);
}

void TWriter::WriteSingle(long double x)
{
    uint8_t b[5] = {vaSingle};
    StoreLE(std::bit_cast<uint32_t>(static_cast<float>(x)), b + 1);
    Write(b, sizeof b);
}

void TWriter::WriteDouble(long double x)
{
    uint8_t b[9] = {vaDouble};
    StoreLE(std::bit_cast<uint64_t>(static_cast<double>(x)), b + 1);
    Write(b, sizeof b);
}

void TWriter::WriteCurrency(int64_t c)
{
    uint8_t b[9] = {vaCurrency};
    StoreLE(c, b + 1);
    Write(b, sizeof b);
}

void TWriter::WriteDate(long double x)
{
    uint8_t b[9] = {vaDate};
    StoreLE(std::bit_cast<uint64_t>(static_cast<double>(x)), b + 1);
    Write(b, sizeof b);
}

void TWriter::WriteBinaryValue(QByteArrayView data)
{
    WriteByte(vaBinary);
    WriteInt32Raw(int32_t(data.size()));
    Write(data.data(), data.size());
}

void TWriter::WriteAnsiBytes(QByteArrayView bytes)
{
    if (bytes.size() <= 255) {
        WriteByte(vaString);
        WriteByte(uint8_t(bytes.size()));
    } else {
        WriteByte(vaLString);
        WriteInt32Raw(int32_t(bytes.size()));
    }
    Write(bytes.data(), bytes.size());
}

void TWriter::WriteUtf16Units(QStringView s)
{
    uint8_t chunk[512];
    int filled = 0;
    for (QChar c : s) {
        const char16_t u = c.unicode();
        chunk[filled++] = uint8_t(u);
        chunk[filled++] = uint8_t(u >> 8);
        if (filled == int(sizeof chunk)) {
            Write(chunk, filled);
            filled = 0;
        }
    }
    Write(chunk, filled);
}

void TWriter::WriteString(QStringView s)
{
    const qsizetype units = s.size();
    // A string with an unpaired surrogate has no UTF-8 form; only UTF-16 keeps it intact.
    const bool wellFormed = IsWellFormedUtf16(s);
    const QByteArray u8 = wellFormed ? s.toUtf8() : QByteArray();
    if (!wellFormed || u8.size() >= 2 * units) {
        WriteByte(vaWString);
        WriteInt32Raw(int32_t(units));
        WriteUtf16Units(s);
    } else if (!IsAscii(u8)) {
        WriteByte(vaUTF8String);
        WriteInt32Raw(int32_t(u8.size()));
        Write(u8.constData(), u8.size());
    } else {
        WriteAnsiBytes(u8);
    }
}

void TWriterEx::WriteAnsiString(QStringView s)
{
    WriteAnsiBytes(ansi::encode(s));
}

} // namespace korvel
