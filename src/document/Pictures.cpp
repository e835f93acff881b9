#include "document/Pictures.h"

#include "convert/HexDigit.h"
#include "document/FormDocument.h"

#include <cstring>

namespace korvel {
namespace {

uint32_t ReadU32(QByteArrayView b, qsizetype at)
{
    const auto* p = reinterpret_cast<const uint8_t*>(b.data()) + at;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t ReadU16(QByteArrayView b, qsizetype at)
{
    const auto* p = reinterpret_cast<const uint8_t*>(b.data()) + at;
    return uint16_t(p[0] | p[1] << 8);
}

void AppendU32(QByteArray& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char(v >> (8 * i) & 0xFF));
}

bool StartsWith(QByteArrayView b, qsizetype at, const char* magic, qsizetype n)
{
    return b.size() >= at + n && std::memcmp(b.data() + at, magic, size_t(n)) == 0;
}

// The class a prefix names for a format, and the layout that class writes.
QString ClassFor(TPictureFormat f)
{
    switch (f) {
    case TPictureFormat::Bmp:
        return QStringLiteral("TBitmap");
    case TPictureFormat::Png:
        return QStringLiteral("TPngImage");
    case TPictureFormat::Ico:
    case TPictureFormat::Cur:
        return QStringLiteral("TIcon");
    case TPictureFormat::Jpeg:
        return QStringLiteral("TJPEGImage");
    case TPictureFormat::Gif:
        return QStringLiteral("TGIFImage");
    case TPictureFormat::Emf:
    case TPictureFormat::Wmf:
        return QStringLiteral("TMetafile");
    case TPictureFormat::Tiff:
        return QStringLiteral("TWICImage");
    }
    return {};
}

TPictureLayout LayoutFor(TPictureFormat f)
{
    switch (f) {
    case TPictureFormat::Bmp:
    case TPictureFormat::Jpeg:
    case TPictureFormat::Gif:
        return TPictureLayout::Sized;
    default:
        return TPictureLayout::Raw;
    }
}

bool SameFamily(TPictureFormat a, TPictureFormat b)
{
    const auto icon = [](TPictureFormat f) { return f == TPictureFormat::Ico || f == TPictureFormat::Cur; };
    return a == b || (icon(a) && icon(b));
}

// The bitmap an image-list stream embeds after its header, cut to its own size.
std::optional<TPicture> DecodeImageList(QByteArrayView b)
{
    qsizetype at = -1;
    if (StartsWith(b, 0, "IL", 2))
        at = 28;
    else if (StartsWith(b, 0, "IMGL", 4))
        at = 20;
    if (at < 0 || !StartsWith(b, at, "BM", 2) || b.size() < at + 14)
        return std::nullopt;
    const qsizetype declared = ReadU32(b, at + 2);
    TPicture pic;
    pic.Layout = TPictureLayout::ImageList;
    pic.Format = TPictureFormat::Bmp;
    pic.Truncated = declared > b.size() - at;
    pic.Image = b.sliced(at, std::min(declared, b.size() - at)).toByteArray();
    return pic;
}

// The picture in data after any class-name prefix.
std::optional<TPicture> DecodeBody(QByteArrayView b)
{
    TPicture pic;
    if (b.size() > 4) {
        const qsizetype size = ReadU32(b, 0);
        const auto inner = DetectImageFormat(b.sliced(4));
        if (inner && (size == b.size() - 4 || size == b.size())) {
            pic.Layout = size == b.size() ? TPictureLayout::SizedInclusive : TPictureLayout::Sized;
            pic.Format = *inner;
            pic.Image = b.sliced(4).toByteArray();
            return pic;
        }
    }
    if (const auto raw = DetectImageFormat(b)) {
        pic.Format = *raw;
        pic.Image = b.toByteArray();
        return pic;
    }
    if (b.size() > 4) {
        // A size field that disagrees with the data, as a damaged or cut form leaves it.
        if (const auto inner = DetectImageFormat(b.sliced(4))) {
            pic.Layout = TPictureLayout::Sized;
            pic.Format = *inner;
            pic.Image = b.sliced(4).toByteArray();
            pic.Truncated = true;
            return pic;
        }
    }
    return DecodeImageList(b);
}

bool IsIdentStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsIdentChar(char c)
{
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}

bool IsIdentStart16(QChar c)
{
    return c.unicode() < 0x80 && IsIdentStart(char(c.unicode()));
}
bool IsNameChar16(QChar c)
{
    return c.unicode() < 0x80 && (IsIdentChar(char(c.unicode())) || c == u'.');
}

} // namespace

QString TPicture::PictureClass() const
{
    if (!ClassName.isEmpty())
        return ClassName;
    if (Layout == TPictureLayout::ImageList)
        return QStringLiteral("TImageList");
    return ClassFor(Format);
}

QString TPicture::Extension() const
{
    return PictureExtension(Format);
}

std::optional<TPictureFormat> DetectImageFormat(QByteArrayView b)
{
    if (StartsWith(b, 0, "BM", 2) && b.size() >= 14)
        return TPictureFormat::Bmp;
    if (StartsWith(b, 0, "\x89PNG\r\n\x1A\n", 8))
        return TPictureFormat::Png;
    if ((StartsWith(b, 0, "\0\0\1\0", 4) || StartsWith(b, 0, "\0\0\2\0", 4)) && b.size() >= 6) {
        const qsizetype count = ReadU16(b, 4);
        if (count > 0 && b.size() >= 6 + 16 * count)
            return b[2] == 1 ? TPictureFormat::Ico : TPictureFormat::Cur;
    }
    if (StartsWith(b, 0, "\xFF\xD8\xFF", 3))
        return TPictureFormat::Jpeg;
    if (StartsWith(b, 0, "GIF87a", 6) || StartsWith(b, 0, "GIF89a", 6))
        return TPictureFormat::Gif;
    if (b.size() >= 44 && ReadU32(b, 0) == 1 && StartsWith(b, 40, " EMF", 4))
        return TPictureFormat::Emf;
    if (StartsWith(b, 0, "\xD7\xCD\xC6\x9A", 4))
        return TPictureFormat::Wmf;
    if (b.size() >= 18 && (ReadU16(b, 0) == 1 || ReadU16(b, 0) == 2) && ReadU16(b, 2) == 9
        && (ReadU16(b, 4) == 0x0100 || ReadU16(b, 4) == 0x0300))
        return TPictureFormat::Wmf;
    if (StartsWith(b, 0, "II*\0", 4) || StartsWith(b, 0, "MM\0*", 4))
        return TPictureFormat::Tiff;
    return std::nullopt;
}

QString PictureExtension(TPictureFormat format)
{
    switch (format) {
    case TPictureFormat::Bmp:
        return QStringLiteral(".bmp");
    case TPictureFormat::Png:
        return QStringLiteral(".png");
    case TPictureFormat::Ico:
        return QStringLiteral(".ico");
    case TPictureFormat::Cur:
        return QStringLiteral(".cur");
    case TPictureFormat::Jpeg:
        return QStringLiteral(".jpg");
    case TPictureFormat::Gif:
        return QStringLiteral(".gif");
    case TPictureFormat::Emf:
        return QStringLiteral(".emf");
    case TPictureFormat::Wmf:
        return QStringLiteral(".wmf");
    case TPictureFormat::Tiff:
        return QStringLiteral(".tif");
    }
    return {};
}

std::optional<TPicture> DecodePicture(QByteArrayView data)
{
    // A class-name prefix: a length byte, then that many identifier characters.
    if (!data.isEmpty()) {
        const qsizetype n = uint8_t(data[0]);
        if (n >= 1 && n <= 63 && data.size() > n && IsIdentStart(data[1])) {
            bool ident = true;
            for (qsizetype i = 1; i <= n && ident; ++i)
                ident = IsIdentChar(data[i]);
            if (ident) {
                if (auto pic = DecodeBody(data.sliced(1 + n))) {
                    pic->ClassName = QString::fromLatin1(data.sliced(1, n));
                    return pic;
                }
                return std::nullopt;
            }
        }
    }
    return DecodeBody(data);
}

std::optional<QByteArray> EncodePicture(const TPicture& like, QByteArrayView image)
{
    const auto format = DetectImageFormat(image);
    if (!format || like.Layout == TPictureLayout::ImageList)
        return std::nullopt;
    QString className = like.ClassName;
    TPictureLayout layout = like.Layout;
    if (!SameFamily(*format, like.Format)) {
        if (className.isEmpty())
            return std::nullopt;
        className = ClassFor(*format);
        layout = LayoutFor(*format);
    }
    QByteArray out;
    out.reserve(image.size() + className.size() + 5);
    if (!className.isEmpty()) {
        const QByteArray name = className.toLatin1();
        out.append(char(name.size()));
        out.append(name);
    }
    if (layout == TPictureLayout::Sized)
        AppendU32(out, uint32_t(image.size()));
    else if (layout == TPictureLayout::SizedInclusive)
        AppendU32(out, uint32_t(image.size() + 4));
    out.append(image);
    return out;
}

std::vector<THexProperty> FindHexProperties(QStringView text)
{
    std::vector<THexProperty> found;
    const qsizetype size = text.size();
    qsizetype line = 0;
    while (line < size) {
        qsizetype next = text.indexOf(u'\n', line);
        next = next < 0 ? size : next + 1;
        qsizetype p = line;
        while (p < next && (text[p] == u' ' || text[p] == u'\t'))
            ++p;
        const qsizetype nameStart = p;
        if (p < next && IsIdentStart16(text[p])) {
            while (p < next && IsNameChar16(text[p]))
                ++p;
            const qsizetype nameEnd = p;
            while (p < next && text[p] == u' ')
                ++p;
            if (p < next && text[p] == u'=') {
                ++p;
                while (p < next && text[p] == u' ')
                    ++p;
                if (p < next && text[p] == u'{') {
                    const qsizetype open = p;
                    QByteArray bytes;
                    int high = -1;
                    bool ok = true;
                    for (++p; p < size && text[p] != u'}'; ++p) {
                        const QChar c = text[p];
                        const int v = HexDigitValue(c.unicode());
                        if (v >= 0) {
                            if (high < 0) {
                                high = v;
                            } else {
                                bytes.append(char(high << 4 | v));
                                high = -1;
                            }
                        } else if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n') {
                            ok = false;
                            break;
                        }
                    }
                    if (ok && p < size && high < 0) {
                        THexProperty prop;
                        prop.Name = text.sliced(nameStart, nameEnd - nameStart).toString();
                        prop.NameStart = nameStart;
                        prop.BlockStart = open;
                        prop.BlockEnd = p + 1;
                        prop.Indent = nameStart - line;
                        prop.Data = std::move(bytes);
                        found.push_back(std::move(prop));
                        next = text.indexOf(u'\n', p);
                        next = next < 0 ? size : next + 1;
                    }
                }
            }
        }
        line = next;
    }
    return found;
}

std::vector<TPictureProperty> FindPictureProperties(QStringView text)
{
    std::vector<TPictureProperty> pictures;
    for (THexProperty& prop : FindHexProperties(text))
        if (auto pic = DecodePicture(prop.Data))
            pictures.push_back({std::move(prop), std::move(*pic)});
    return pictures;
}

std::optional<THexProperty> FindHexProperty(QStringView text, QStringView name)
{
    for (THexProperty& prop : FindHexProperties(text)) {
        const QStringView n(prop.Name);
        if (n.compare(name, Qt::CaseInsensitive) == 0
            || (n.size() == name.size() + 5 && n.startsWith(name, Qt::CaseInsensitive)
                && n.endsWith(u".Data", Qt::CaseInsensitive)))
            return std::move(prop);
    }
    return std::nullopt;
}

QString FormatHexBlock(QByteArrayView bytes, qsizetype indent, QStringView lineBreak)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    constexpr qsizetype kLineBytes = 32;
    const bool wrap = bytes.size() >= kLineBytes;
    QString out;
    out.reserve(bytes.size() * 2 + 2 + (bytes.size() / kLineBytes + 1) * (indent + 2 + lineBreak.size()));
    out.append(u'{');
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (wrap && i % kLineBytes == 0) {
            out.append(lineBreak);
            out.append(QString(indent + 2, u' '));
        }
        const auto v = uint8_t(bytes[i]);
        out.append(QChar(kDigits[v >> 4]));
        out.append(QChar(kDigits[v & 15]));
    }
    out.append(u'}');
    return out;
}

QString PictureNotReplaceableMessage()
{
    return QStringLiteral("この画像ではこのプロパティの画像を置き換えられません");
}

QString ReplacePicture(QStringView text, const TPictureProperty& property, QByteArrayView image)
{
    const auto data = EncodePicture(property.Picture, image);
    if (!data)
        throw EDocumentError(PictureNotReplaceableMessage());
    const THexProperty& p = property.Property;
    const QStringView lineBreak = text.contains(u"\r\n") ? QStringView(u"\r\n") : QStringView(u"\n");
    QString out = text.first(p.BlockStart).toString();
    out.append(FormatHexBlock(*data, p.Indent, lineBreak));
    out.append(text.sliced(p.BlockEnd));
    return out;
}

} // namespace korvel
