#include "document/BinaryExtraction.h"

#include "errors/Errors.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

struct HexCase {
    const char16_t* selection;
    const char* bytes; // hex dump of the result, or nullptr for nothing to save
};

const HexCase kHexCases[] = {
    {u"0A 0b\r\n     FF", "0a0bff"},
    {u"ABC", "ab"},
    {u"", nullptr},
    {u"xyz", nullptr},
    {u"xyz  xyz", nullptr},
    {u"G0G 1H", nullptr},
    {u"Picture.Data = {\r\n  0A0B}", "da"},
    {u"Default", "defa"},
    {u"Left", "ef"},
    {u"0A0B0C\r\n      0D0E0F", "0a0b0c0d0e0f"},
    {u"  0A}\r\n  0B", "0a"},
    {u"x\t1\v2\f3 4", "1234"},
    {u"0A\u30000B\u00A00C\u20000D\u20280E\u00851F", "0a0b0c0d0e1f"},
    {u"0A\u200B0B", "0a"},
    {u"\uFF10\uFF11 ab", "ab"},
};

TEST(BinaryExtractionTest, ExtractSelectedHex)
{
    for (const HexCase& c : kHexCases) {
        const auto result = ExtractSelectedHex(QString::fromUtf16(c.selection));
        if (c.bytes == nullptr)
            EXPECT_FALSE(result.has_value()) << QString::fromUtf16(c.selection).toStdString();
        else
            EXPECT_EQ(result.value_or("<none>").toHex(), QByteArray(c.bytes))
                << QString::fromUtf16(c.selection).toStdString();
    }
}

// The hand-written class accepts exactly what \\s of a Unicode-aware expression accepts.
TEST(BinaryExtractionTest, SpaceClassMatchesUnicodeRegex)
{
    const QRegularExpression space(QStringLiteral("^\\s$"), QRegularExpression::UseUnicodePropertiesOption);
    for (char32_t c = 0; c < 0x10000; ++c) {
        if (c >= 0xD800 && c < 0xE000)
            EXPECT_FALSE(IsHexSelectionSpace(char16_t(c)));
        else
            EXPECT_EQ(IsHexSelectionSpace(char16_t(c)), space.match(QString(QChar(char16_t(c)))).hasMatch()) << int(c);
    }
}

TEST(BinaryExtractionTest, SaveWritesWholeFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("data.bin"));
    const auto readBack = [&] {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    };
    SaveSelectionAsBinary(u"  0A0B\r\n  FF}", path);
    EXPECT_EQ(readBack().toHex(), "0a0bff");
    SaveSelectionAsBinary(u"no digits here", path);
    EXPECT_EQ(readBack(), QByteArray());
    EXPECT_THROW(SaveSelectionAsBinary(u"0A", dir.filePath(QStringLiteral("missing/data.bin"))), EFileError);
}

} // namespace
} // namespace korvel
