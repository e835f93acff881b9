#include "cli/CliRunner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A 14-byte bitmap and a PNG signature with a few bytes, and a text form holding
// the bitmap in a picture (with its class-name prefix) and the PNG without one.
const QByteArray kBmp = QByteArray::fromHex("424d0e0000000000000000000000");
const QByteArray kPng = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452");
const QByteArray kForm = "object Form1: TForm1\r\n"
                         "  object Image1: TImage\r\n"
                         "    Picture.Data = {07544269746D61700E000000424D0E0000000000000000000000}\r\n"
                         "    Image.Data = {89504E470D0A1A0A0000000D49484452}\r\n"
                         "    Hint.Data = {0001}\r\n"
                         "  end\r\n"
                         "end\r\n";

TEST(CliImage, WritesThePictureWithItsExtension)
{
    QTemporaryDir dir;
    const QString form = dir.filePath(QStringLiteral("f.dfm"));
    QFile f(form);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(kForm);
    f.close();
    const struct {
        const char* property;
        const char* out;
        const char* written; // the file that must hold the image
        const QByteArray& image;
    } cases[] = {
        {"Picture", "a", "a.bmp", kBmp},
        {"Picture.Data", "b.dat", "b.dat", kBmp},
        {"picture.data", "c", "c.bmp", kBmp},
        {"Image", "d", "d.png", kPng},
    };
    for (const auto& c : cases) {
        const CliResult r = RunCli({QStringLiteral("image"), form, QStringLiteral("Form1/Image1"),
            QString::fromUtf8(c.property), QStringLiteral("-o"), dir.filePath(c.out)});
        EXPECT_EQ(r.exitCode, 0) << c.property << r.err.toStdString();
        EXPECT_EQ(ReadFile(dir.filePath(c.written)), c.image) << c.property;
    }
}

TEST(CliImage, FailsWhereThereIsNoPicture)
{
    QTemporaryDir dir;
    const QString form = dir.filePath(QStringLiteral("f.dfm"));
    QFile f(form);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(kForm);
    f.close();
    const QString out = dir.filePath(QStringLiteral("out"));
    const struct {
        const char* node;
        const char* property;
        int exitCode;
        const char* err;
    } cases[] = {
        {"Form1/Image1", "Hint", 1, "EDocumentError: プロパティに画像がありません: Form1/Image1 Hint\n"},
        {"Form1/Image1", "Left", 1, "EDocumentError: プロパティに画像がありません: Form1/Image1 Left\n"},
        {"Form1/Image1", "Pict", 1, "EDocumentError: プロパティに画像がありません: Form1/Image1 Pict\n"},
        {"Form1/Image2", "Picture", 1, "EDocumentError: コンポーネントが見つかりません: Form1/Image2\n"},
    };
    for (const auto& c : cases) {
        const CliResult r = RunCli({QStringLiteral("image"), form, QString::fromUtf8(c.node),
            QString::fromUtf8(c.property), QStringLiteral("-o"), out});
        EXPECT_EQ(r.exitCode, c.exitCode) << c.property;
        EXPECT_EQ(r.err.toStdString(), form.toStdString() + ": " + c.err);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "nothing written for " << c.property;
    }
    EXPECT_EQ(
        RunCli({QStringLiteral("image"), form, QStringLiteral("Form1/Image1"), QStringLiteral("Picture")}).exitCode, 2);
}

} // namespace
