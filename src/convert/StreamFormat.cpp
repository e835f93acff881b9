#include "convert/StreamFormat.h"

#include "convert/AnsiCodePage.h"
#include "convert/Filer.h"
#include "errors/Errors.h"

#include <cstring>

namespace korvel {
namespace {

// The empty entry that opens a 32-bit resource file.
constexpr uint8_t kEmptyEntry[32] = {
    0x00,
    0x00,
    0x00,
    0x00,
    0x20,
    0x00,
    0x00,
    0x00,
    0xFF,
    0xFF,
    0x00,
    0x00,
    0xFF,
    0xFF,
    0x00,
    0x00,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
};

// Longest root class name a resource header accepts.
constexpr int kMaxResourceNameLength = 70;

[[noreturn]] void ThrowInvalidImage()
{
    throw EInvalidImage(QString::fromUtf16(kMsgInvalidStreamFormat));
}

void AppendLE16(QByteArray& out, uint16_t v)
{
    out.append(char(v & 0xFF)).append(char(v >> 8));
}

void AppendLE32(QByteArray& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

// The raw bytes of the root object's class name in a finished form stream.
QByteArrayView RootClassNameBytes(const QByteArray& formStream)
{
    const auto* p = reinterpret_cast<const uint8_t*>(formStream.constData());
    const qsizetype n = formStream.size();
    qsizetype i = 4; // after "TPF0"
    auto need = [&](qsizetype count) {
        if (count < 0 || i + count > n)
            ThrowReadError(i);
    };
    need(1);
    if (p[i] >= kFirstPrefixByte) {
        const int flags = p[i] & 0x0F;
        ++i;
        if (flags & ffChildPos) {
            need(1);
            const uint8_t tag = p[i++];
            const int size = tag == vaInt8 ? 1 : tag == vaInt16 ? 2 : tag == vaInt32 ? 4 : -1;
            if (size < 0)
                throw EReadError(QString::fromUtf16(kMsgInvalidPropertyValue));
            need(size);
            i += size;
        }
    }
    need(1);
    const int len = p[i++];
    need(len);
    return QByteArrayView(formStream.constData() + i, len);
}

QString AsciiUpper(QString s)
{
    for (QChar& c : s)
        if (c >= u'a' && c <= u'z')
            c = QChar(char16_t(c.unicode() - (u'a' - u'A')));
    return s;
}

} // namespace

TStreamOriginalFormat DetectStreamFormat(ByteStream& stream)
{
    const int64_t start = stream.position();
    uint8_t b[4] = {0, 0, 0, 0};
    const int64_t n = stream.read(b, 4);
    stream.seek(start);

    // Nothing to tell a format from: no reader could make anything of it.
    if (n <= 0)
        ThrowReadError(start);
    // A UTF-16 byte-order mark in either order: text, which the text-to-binary
    // conversion reads after turning it into UTF-8.
    if ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))
        return sofText;
    if (b[0] == 0xFF)
        return sofBinary;
    if (std::memcmp(b, "TPF0", 4) == 0 || (b[0] == 0 && b[1] == 0 && b[2] == 0 && b[3] == 0))
        return sofBinary;
    switch (b[0]) {
    case 0x09:
    case 0x0B:
    case 0x0D:
    case 0x20:
    case 'I':
    case 'O':
    case 'i':
    case 'o':
        return sofText;
    default:
        break;
    }
    if (b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return sofUTF8Text;
    return sofUnknown;
}

void ReadResHeader(ByteStream& stream)
{
    const int64_t start = stream.position();
    uint8_t buf[256];
    std::memset(buf, 0, sizeof buf);
    const int64_t n = stream.read(buf, 255);

    if (n > 32 && std::memcmp(buf, kEmptyEntry, 32) == 0) {
        stream.seek(start + 32);
        const int64_t m = stream.read(buf, 255);
        static constexpr uint8_t kType[4] = {0xFF, 0xFF, 0x0A, 0x00};
        if (std::memcmp(buf + 8, kType, 4) != 0)
            ThrowInvalidImage();
        const uint32_t headerSize =
            uint32_t(buf[4]) | (uint32_t(buf[5]) << 8) | (uint32_t(buf[6]) << 16) | (uint32_t(buf[7]) << 24);
        stream.seekRelative(int64_t(headerSize) - m);
        return;
    }

    if (buf[0] != 0xFF || buf[1] != 0x0A || buf[2] != 0x00)
        ThrowInvalidImage();
    int i = 3;
    while (buf[i] != 0) // buf[255] is always 00
        ++i;
    stream.seekRelative(int64_t(i) + 7 - n);
}

void WriteFormResourceHeader(const QByteArray& formStream, ByteStream& output)
{
    const uint32_t dataSize = uint32_t(formStream.size());
    const QByteArrayView nameBytes = RootClassNameBytes(formStream);
    bool ascii = true;
    for (char c : nameBytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            ascii = false;

    const QString name = AsciiUpper(ascii ? ansi::decode(nameBytes) : QString::fromUtf8(nameBytes));
    if (name.size() > kMaxResourceNameLength) {
        throw EParserError(QString::fromUtf16(kMsgNameTooLong).arg(name));
    }

    QByteArray header;
    if (ascii) {
        header.reserve(10 + name.size());
        header.append(char(0xFF)).append(char(0x0A)).append(char(0x00));
        header.append(ansi::encode(name)).append('\0');
        AppendLE16(header, 0x1030);
        AppendLE32(header, dataSize);
    } else {
        const uint32_t m = uint32_t(name.size()) * 2;
        header.reserve(62 + m);
        header.append(reinterpret_cast<const char*>(kEmptyEntry), 32);
        AppendLE32(header, dataSize);
        AppendLE32(header, 30 + m);
        AppendLE16(header, 0xFFFF);
        AppendLE16(header, 0x000A);
        for (QChar c : name)
            AppendLE16(header, c.unicode());
        AppendLE16(header, 0);
        AppendLE32(header, 0);      // data version
        AppendLE16(header, 0);      // memory flags
        AppendLE16(header, 0x0409); // language
        AppendLE32(header, 0);      // version
        AppendLE32(header, 0);      // characteristics
    }
    output.write(header);
}

} // namespace korvel
