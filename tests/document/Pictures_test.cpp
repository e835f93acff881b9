// Pictures in property text: the data shapes on small synthetic images, the
// block search and replacement, and a pass over the shared corpus that counts
// the pictures by class, checks the extracted files' signatures and rebuilds
// every block exactly.
#include "document/Pictures.h"

#include "document/FormDocument.h"
#include "document/support/DocumentTestUtil.h"
#include "support/Corpus.h"

#include <QDirIterator>

#include <gtest/gtest.h>

#include <iostream>
#include <map>

using namespace korvel;

namespace {

QByteArray bytes(const char* hexDigits)
{
    return QByteArray::fromHex(hexDigits);
}
QByteArray prefix(const char* className)
{
    return char(std::strlen(className)) + QByteArray(className);
}
// A little-endian 32-bit size field.
QByteArray u32(qsizetype v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (8 * i)) & 0xFF);
    return b;
}

// Minimal files of each format: just their signatures and a few bytes.
const QByteArray kBmp = bytes("424d0e0000000000000000000000");
const QByteArray kPng = bytes("89504e470d0a1a0a0000000d49484452");
const QByteArray kIco = bytes("000001000100") + QByteArray(16, '\1');
const QByteArray kCur = bytes("000002000100") + QByteArray(16, '\1');
const QByteArray kJpeg = bytes("ffd8ffe000104a464946");
const QByteArray kGif = QByteArray("GIF89a") + bytes("01000100");
const QByteArray kEmf = bytes("01000000") + QByteArray(36, '\0') + QByteArray(" EMF") + QByteArray(8, '\0');
const QByteArray kWmf = bytes("d7cdc69a") + QByteArray(18, '\0');
const QByteArray kTiff = QByteArray("II*", 4) + bytes("08000000");

struct DecodeCase {
    const char* what;
    QByteArray data;
    const char* pictureClass; // nullptr: no picture
    TPictureLayout layout;
    QByteArray image;
    const char* extension;
    bool truncated;
};

TEST(PicturesTest, DecodePicture)
{
    using L = TPictureLayout;
    const QByteArray il = QByteArray("IL\1\1") + QByteArray(24, '\0');
    const DecodeCase cases[] = {
        {"TBitmap", prefix("TBitmap") + u32(kBmp.size()) + kBmp, "TBitmap", L::Sized, kBmp, ".bmp", false},
        {"TPngImage", prefix("TPngImage") + kPng, "TPngImage", L::Raw, kPng, ".png", false},
        {"TPNGObject", prefix("TPNGObject") + kPng, "TPNGObject", L::Raw, kPng, ".png", false},
        {"TIcon", prefix("TIcon") + kIco, "TIcon", L::Raw, kIco, ".ico", false},
        {"TIcon cursor", prefix("TIcon") + kCur, "TIcon", L::Raw, kCur, ".cur", false},
        {"TJPEGImage", prefix("TJPEGImage") + u32(kJpeg.size()) + kJpeg, "TJPEGImage", L::Sized, kJpeg, ".jpg", false},
        {"TGIFImage", prefix("TGIFImage") + u32(kGif.size()) + kGif, "TGIFImage", L::Sized, kGif, ".gif", false},
        {"TMetafile emf", prefix("TMetafile") + kEmf, "TMetafile", L::Raw, kEmf, ".emf", false},
        {"TMetafile wmf", prefix("TMetafile") + kWmf, "TMetafile", L::Raw, kWmf, ".wmf", false},
        {"TWICImage", prefix("TWICImage") + kTiff, "TWICImage", L::Raw, kTiff, ".tif", false},
        {"glyph: size + bmp", u32(kBmp.size()) + kBmp, "TBitmap", L::Sized, kBmp, ".bmp", false},
        {"size counting itself", u32(kBmp.size() + 4) + kBmp, "TBitmap", L::SizedInclusive, kBmp, ".bmp", false},
        {"cut bitmap", u32(kBmp.size() + 100) + kBmp, "TBitmap", L::Sized, kBmp, ".bmp", true},
        {"raw bmp", kBmp, "TBitmap", L::Raw, kBmp, ".bmp", false},
        {"raw png", kPng, "TPngImage", L::Raw, kPng, ".png", false},
        {"raw icon", kIco, "TIcon", L::Raw, kIco, ".ico", false},
        // The size 00 00 01 00 looks like an icon's signature; the exact size decides.
        {"size 65536 + bmp", u32(65536) + QByteArray("BM") + QByteArray(65534, '\0'), "TBitmap", L::Sized,
            QByteArray("BM") + QByteArray(65534, '\0'), ".bmp", false},
        {"image list", il + kBmp + QByteArray("mask"), "TImageList", L::ImageList, kBmp, ".bmp", false},
        {"empty bitmap", prefix("TBitmap") + u32(0), nullptr, L::Raw, {}, nullptr, false},
        {"unknown class data", prefix("XCOL") + bytes("0201020106"), nullptr, L::Raw, {}, nullptr, false},
        {"no signature", bytes("0000803f0000803f"), nullptr, L::Raw, {}, nullptr, false},
        {"icon without entries", bytes("000001000000"), nullptr, L::Raw, {}, nullptr, false},
        {"empty", {}, nullptr, L::Raw, {}, nullptr, false},
    };
    for (const DecodeCase& c : cases) {
        const auto pic = DecodePicture(c.data);
        ASSERT_EQ(pic.has_value(), c.pictureClass != nullptr) << c.what;
        if (!pic)
            continue;
        EXPECT_EQ(pic->PictureClass().toStdString(), c.pictureClass) << c.what;
        EXPECT_EQ(pic->Layout, c.layout) << c.what;
        EXPECT_EQ(pic->Image, c.image) << c.what;
        EXPECT_EQ(pic->Extension().toStdString(), c.extension) << c.what;
        EXPECT_EQ(pic->Truncated, c.truncated) << c.what;
        // Unchanged pictures come back as the same bytes.
        if (c.layout != L::ImageList && !c.truncated) {
            EXPECT_EQ(EncodePicture(*pic, pic->Image), c.data) << c.what;
        }
    }
}

TEST(PicturesTest, EncodePictureTakesThePrefixOfTheNewFormat)
{
    const TPicture bitmap = *DecodePicture(prefix("TBitmap") + u32(kBmp.size()) + kBmp);
    const TPicture png = *DecodePicture(prefix("TPNGObject") + kPng);
    const TPicture icon = *DecodePicture(prefix("TIcon") + kIco);
    const TPicture glyph = *DecodePicture(u32(kBmp.size()) + kBmp);
    const TPicture selfSized = *DecodePicture(u32(kBmp.size() + 4) + kBmp);
    const TPicture list = *DecodePicture(QByteArray("IL\1\1") + QByteArray(24, '\0') + kBmp);
    const QByteArray bigBmp = QByteArray("BM") + QByteArray(40, '\7');
    const struct {
        const char* what;
        const TPicture& like;
        QByteArray image;
        std::optional<QByteArray> expected;
    } cases[] = {
        {"bitmap by png", bitmap, kPng, prefix("TPngImage") + kPng},
        {"bitmap by jpeg", bitmap, kJpeg, prefix("TJPEGImage") + u32(kJpeg.size()) + kJpeg},
        {"bitmap by icon", bitmap, kIco, prefix("TIcon") + kIco},
        {"bitmap by bigger bitmap", bitmap, bigBmp, prefix("TBitmap") + u32(bigBmp.size()) + bigBmp},
        {"png keeps its class", png, kPng, prefix("TPNGObject") + kPng},
        {"icon by cursor", icon, kCur, prefix("TIcon") + kCur},
        {"glyph by bitmap", glyph, bigBmp, u32(bigBmp.size()) + bigBmp},
        {"glyph by png", glyph, kPng, std::nullopt},
        {"size counting itself", selfSized, bigBmp, u32(bigBmp.size() + 4) + bigBmp},
        {"image list", list, kBmp, std::nullopt},
        {"not an image", bitmap, QByteArray("hello"), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EncodePicture(c.like, c.image), c.expected) << c.what;
}

TEST(PicturesTest, FindReplaceAndFormatBlocks)
{
    const QByteArray big = prefix("TBitmap") + u32(34) + QByteArray("BM") + QByteArray(32, '\0');
    const QString text = QStringLiteral("Left = 8\r\n"
                                        "Caption = 'A = {0102}'\r\n"
                                        "Glyph.Data = {0E000000424D0E000000000000000000000000}\r\n"
                                        "Bad.Data = {01G2}\r\n"
                                        "Items = <\r\n"
                                        "  item\r\n"
                                        "    Bitmap = {00}\r\n"
                                        "  end>\r\n"
                                        "Picture.Data = {\r\n"
                                        "  %1\r\n"
                                        "  %2}\r\n"
                                        "Top = 4")
                             .arg(QString::fromLatin1(big.first(32).toHex().toUpper()),
                                 QString::fromLatin1(big.sliced(32).toHex().toUpper()));
    const auto props = FindHexProperties(text);
    ASSERT_EQ(props.size(), 3u);
    EXPECT_EQ(props[0].Name, QStringLiteral("Glyph.Data"));
    EXPECT_EQ(props[1].Name, QStringLiteral("Bitmap"));
    EXPECT_EQ(props[1].Indent, 4);
    EXPECT_EQ(props[2].Data, big);
    for (const THexProperty& p : props)
        EXPECT_EQ(FormatHexBlock(p.Data, p.Indent, u"\r\n"), text.mid(p.BlockStart, p.BlockEnd - p.BlockStart))
            << p.Name.toStdString();

    const auto pictures = FindPictureProperties(text);
    ASSERT_EQ(pictures.size(), 2u); // Bitmap = {00} holds none
    EXPECT_EQ(FindHexProperty(text, u"picture")->Name, QStringLiteral("Picture.Data"));
    EXPECT_EQ(FindHexProperty(text, u"GLYPH.DATA")->Name, QStringLiteral("Glyph.Data"));
    EXPECT_FALSE(FindHexProperty(text, u"Pict").has_value());
    EXPECT_FALSE(FindHexProperty(text, u"Caption").has_value());

    // Replacing the glyph by a bigger bitmap wraps the block under the name's indentation.
    const QByteArray bmp = QByteArray("BM") + QByteArray(30, '\x11');
    const QString replaced = ReplacePicture(text, pictures[0], bmp);
    const QString block =
        QStringLiteral("Glyph.Data = {\r\n  20000000424D%1\r\n  11111111}\r\n").arg(QString(52, u'1'));
    EXPECT_TRUE(replaced.contains(block)) << replaced.toStdString();
    EXPECT_TRUE(replaced.endsWith(text.sliced(pictures[0].Property.BlockEnd)));
    EXPECT_EQ(FindPictureProperties(replaced)[0].Picture.Image, bmp);
    EXPECT_KORVEL_ERROR(ReplacePicture(text, pictures[0], kPng), EDocumentError, PictureNotReplaceableMessage());
}

// Every picture of the corpus: counted by class and format, the extracted BMP,
// PNG and icon files start with their signatures, and the block rebuilt from the
// image is the block as loaded (cut pictures and other layouts aside, which are counted).
TEST(PicturesTest, CorpusPictures)
{
    KORVEL_NEEDS_CORPUS();
    const QString corpus = QStringLiteral(KORVEL_CORPUS_DIR);
    std::map<std::string, int> counts;
    int files = 0, truncated = 0, blocks = 0, otherLayout = 0;
    QDirIterator it(corpus, {QStringLiteral("*.dfm"), QStringLiteral("*.fmx"), QStringLiteral("*.xfm")}, QDir::Files,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains(QStringLiteral("/malformed/")))
            continue;
        TFormDocument doc;
        try {
            doc.LoadFormFile(path);
        } catch (const EKorvelError&) {
            continue;
        }
        ++files;
        for (int64_t i = 0; const TTreeNode* node = doc.Tree().GetNodeFromIndex(i); ++i) {
            const QString text = doc.NodeProperties(node);
            for (const TPictureProperty& p : FindPictureProperties(text)) {
                const TPicture& pic = p.Picture;
                const std::string where =
                    path.toStdString() + " " + node->caption().toStdString() + " " + p.Property.Name.toStdString();
                ++counts[pic.PictureClass().toStdString() + (pic.ClassName.isEmpty() ? " (no prefix)" : "") + " "
                    + pic.Extension().toStdString()];
                const QByteArray& img = pic.Image;
                switch (pic.Format) {
                case TPictureFormat::Bmp:
                    EXPECT_TRUE(img.startsWith("BM")) << where;
                    break;
                case TPictureFormat::Png:
                    EXPECT_TRUE(img.startsWith("\x89PNG\r\n\x1a\n")) << where;
                    break;
                case TPictureFormat::Ico:
                    EXPECT_TRUE(img.startsWith(QByteArray("\0\0\1\0", 4))) << where;
                    break;
                default:
                    break;
                }
                if (pic.Truncated) {
                    ++truncated;
                    continue;
                }
                if (pic.Layout != TPictureLayout::ImageList) {
                    EXPECT_EQ(EncodePicture(pic, img), p.Property.Data) << where;
                }
                // Blocks in another layout (one corpus file breaks its lines with CR CR LF) are counted.
                const QString original = text.mid(p.Property.BlockStart, p.Property.BlockEnd - p.Property.BlockStart);
                ++(FormatHexBlock(p.Property.Data, p.Property.Indent, u"\r\n") == original ? blocks : otherLayout);
            }
        }
    }
    int total = 0;
    std::cout << "pictures in " << files << " corpus forms:\n";
    for (const auto& [key, n] : counts) {
        std::cout << "  " << key << ": " << n << "\n";
        total += n;
    }
    std::cout << "  total " << total << ", blocks rebuilt exactly " << blocks << ", in another layout " << otherLayout
              << ", cut " << truncated << "\n";
    EXPECT_GT(total, 0);
    EXPECT_LE(otherLayout, total / 100);
}

} // namespace
