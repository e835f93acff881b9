// Pictures in property text: hexadecimal data blocks whose bytes hold an image
// file, with or without a class-name prefix, recognised and extracted without
// decoding the image, and rebuilt from an image file for replacement.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <vector>

namespace korvel {

// The file format of an image, told by its first bytes.
enum class TPictureFormat : uint8_t { Bmp, Png, Ico, Cur, Jpeg, Gif, Emf, Wmf, Tiff };

// How the image file's bytes sit in the property data after any class-name prefix.
enum class TPictureLayout : uint8_t {
    Raw,            // the image file's bytes alone
    Sized,          // a 4-byte little-endian size, then the image
    SizedInclusive, // a 4-byte size that counts its own 4 bytes too, then the image
    ImageList,      // an image-list stream; the image is the bitmap it embeds (extraction only)
};

// One picture found in property data.
struct TPicture {
    // The class name of the prefix, such as "TBitmap"; empty when the data has none.
    QString ClassName;
    TPictureLayout Layout = TPictureLayout::Raw;
    TPictureFormat Format = TPictureFormat::Bmp;
    // The image file's bytes.
    QByteArray Image;
    // The size field announces more bytes than the data holds; Image is what there is.
    bool Truncated = false;

    // The class the picture belongs to: ClassName, or the one the format implies.
    QString PictureClass() const;
    // The extension of an image file of this format, such as ".bmp".
    QString Extension() const;
};

// The format of image file bytes, or nullopt when they start with no known signature.
std::optional<TPictureFormat> DetectImageFormat(QByteArrayView image);
// The file extension for a format, with the dot (".jpg", ".ico", …).
QString PictureExtension(TPictureFormat format);

// The picture held in property data, or nullopt when the bytes hold none
// (unknown content, an empty bitmap).
std::optional<TPicture> DecodePicture(QByteArrayView data);
// The property data holding image in the shape of like: the same prefix and layout
// for the same format; with a class-name prefix and another format, the prefix and
// layout of that format's class. Nullopt when image has no known format, or it cannot
// stand in that property (another format without a prefix, an image list).
std::optional<QByteArray> EncodePicture(const TPicture& like, QByteArrayView image);

// A property of property text whose value is a hexadecimal block "{ … }".
struct THexProperty {
    // The property name as written, such as "Picture.Data".
    QString Name;
    // Offsets in the text: the name's first character, the '{' and one past the '}'.
    qsizetype NameStart = 0;
    qsizetype BlockStart = 0;
    qsizetype BlockEnd = 0;
    // The column of the name on its line (the indentation of the block's lines less 2).
    qsizetype Indent = 0;
    // The decoded bytes.
    QByteArray Data;
};

// A hexadecimal property whose data holds a picture.
struct TPictureProperty {
    THexProperty Property;
    TPicture Picture;
};

// Every hexadecimal block property of the text, in order, nested collection items
// included; a block with other characters than hex digits and blanks, an odd digit
// count or no closing brace is left out.
std::vector<THexProperty> FindHexProperties(QStringView propertyText);
// The hexadecimal properties that hold a picture, in order.
std::vector<TPictureProperty> FindPictureProperties(QStringView propertyText);
// The first hexadecimal property named name or name + ".Data" (letter case ignored).
std::optional<THexProperty> FindHexProperty(QStringView propertyText, QStringView name);

// The hexadecimal block text for bytes as a text form file writes it: "{0A0B}" for
// fewer than 32 bytes, otherwise 32 bytes a line, each line after lineBreak and
// indent + 2 blanks, the '}' right after the last digits.
QString FormatHexBlock(QByteArrayView bytes, qsizetype indent, QStringView lineBreak);
// The property text with the picture of property replaced by image (the image
// file's bytes), written as a hexadecimal block in the property's layout. Line
// breaks follow the text (CR LF when it has one, else LF). Throws EDocumentError
// when the image cannot stand in the property.
QString ReplacePicture(QStringView propertyText, const TPictureProperty& property, QByteArrayView image);

// The message of the error raised when an image cannot replace a picture.
QString PictureNotReplaceableMessage();

} // namespace korvel
