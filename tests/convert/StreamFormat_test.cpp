#include "convert/Filer.h"
#include "convert/StreamFormat.h"
#include "convert/support/BinaryBuilder.h"
#include "errors/Errors.h"
#include "support/ErrorAssert.h"

#include <gtest/gtest.h>

using namespace korvel;
using korvel::test::BinaryBuilder;

namespace {

const char kEmptyEntryHex[] = "00 00 00 00 20 00 00 00 FF FF 00 00 FF FF 00 00 "
                              "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";

// Where ReadResHeader leaves the stream, or "kind: message".
QByteArray HeaderEnd(const QByteArray& file)
{
    ByteStream stream(file);
    try {
        ReadResHeader(stream);
        return QByteArray::number(stream.position());
    } catch (const EKorvelError& e) {
        return QByteArray::fromStdString(test::Describe(e));
    }
}

// The resource header written for a form stream, as hex, or "kind: message".
QByteArray HeaderFor(const QByteArray& formStream)
{
    ByteStream out(QByteArray("x"));
    out.seek(1);
    try {
        WriteFormResourceHeader(formStream, out);
        return out.data().mid(1).toHex(' ').toUpper();
    } catch (const EKorvelError& e) {
        if (out.data() != "x")
            return "output changed on failure";
        return QByteArray::fromStdString(test::Describe(e));
    }
}

TEST(StreamFormat, DetectsTheFormatFromTheFirstFourBytes)
{
    struct Case {
        QByteArray bytes;
        TStreamOriginalFormat format;
    };
    const Case cases[] = {
        {QByteArray(32, '\0'), sofBinary},
        {QByteArray::fromHex("FF0A00"), sofBinary},
        {QByteArray::fromHex("FFD8FFE0"), sofBinary},
        {"TPF0", sofBinary},
        {"TPF", sofUnknown},
        {QByteArray::fromHex("FFFE6f00"), sofText},
        {QByteArray::fromHex("FEFF006f"), sofText},
        {QByteArray::fromHex("FFFE"), sofText},
        {"object Form1", sofText},
        {"inherited", sofText},
        {"Object", sofText},
        {"Inline", sofText},
        {" object", sofText},
        {"\tobject", sofText},
        {"\x0B", sofText},
        {"\r\nobject", sofText},
        {"\nobject", sofUnknown},
        {"\xEF\xBB\xBFobject", sofUTF8Text},
        {"\xEF\xBB", sofUnknown},
        {"end", sofUnknown},
        {QByteArray::fromHex("00000001"), sofUnknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.toHex(' ').constData());
        ByteStream stream(c.bytes);
        EXPECT_EQ(DetectStreamFormat(stream), c.format);
        EXPECT_EQ(stream.position(), 0);
    }
    // An empty stream has no format to tell; nothing can read it.
    ByteStream empty;
    EXPECT_KORVEL_ERROR(DetectStreamFormat(empty), EReadError, QStringLiteral("ストリームからの読み取りエラー"));
}

TEST(StreamFormat, ReadsResourceHeaders)
{
    const QByteArray invalid = "EInvalidImage: ストリーム形式が無効です";
    const QByteArray tail(300, 'z');
    auto header32 = [&](uint32_t headerSize, const char* typeHex) {
        return BinaryBuilder().Hex(kEmptyEntryHex).Le(10, 4).Le(headerSize, 4).Hex(typeHex).Raw(tail).bytes();
    };
    struct Case {
        const char* name;
        QByteArray file;
        QByteArray result;
    };
    const Case cases[] = {
        {"16-bit", BinaryBuilder::Header16("TFORM1", 10) + tail, "16"},
        {"16-bit empty name", BinaryBuilder::Header16("", 10) + tail, "10"},
        {"16-bit short file", QByteArray::fromHex("FF0A00"), "10"},
        {"32-bit", header32(38, "FFFF0A00"), "70"},
        {"32-bit odd name", header32(36, "FFFF0A00"), "68"},
        {"32-bit wrong type", header32(38, "FFFF0B00"), invalid},
        {"32-bit huge size", header32(0xFFFFFFF0u, "FFFF0A00"), QByteArray::number(32 + 0xFFFFFFF0ll)},
        {"empty file", "", invalid},
        {"bare stream", "TPF0" + tail, invalid},
        {"wrong type", QByteArray::fromHex("FF0B00") + tail, invalid},
        // Exactly 32 bytes: the 32-bit kind needs more, and the 16-bit check fails.
        {"32 bytes", QByteArray::fromHex(kEmptyEntryHex), invalid},
        {"33 bytes", QByteArray::fromHex(kEmptyEntryHex) + "x", invalid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(HeaderEnd(c.file), c.result);
    }
}

TEST(StreamFormat, WritesTheHeaderForTheRootClassName)
{
    auto form = [](QByteArray cls, int flags = 0, int pos = 0) {
        return BinaryBuilder().Signature().Object(cls, "X", flags, pos).End().End().bytes();
    };
    struct Case {
        const char* name;
        QByteArray stream;
        QByteArray header;
    };
    const Case cases[] = {
        {"16-bit", form("TForm1"), "FF 0A 00 54 46 4F 52 4D 31 00 30 10 0F 00 00 00"},
        {"prefix skipped", form("Ab", ffInherited | ffChildPos, 1000), "FF 0A 00 41 42 00 30 10 0F 00 00 00"},
        {"32-bit", form("T\xC3\xA9x"),
            QByteArray(kEmptyEntryHex)
                + " 0D 00 00 00 24 00 00 00 FF FF 0A 00 54 00 E9 00 58 00 00 00 "
                  "00 00 00 00 00 00 09 04 00 00 00 00 00 00 00 00"},
        {"70 characters", form(QByteArray(70, 'a')),
            "FF 0A 00 " + QByteArray("41 ").repeated(70) + "00 30 10 4F 00 00 00"},
        {"71 characters", form(QByteArray(71, 'a')),
            "EParserError: コンポーネント名 '" + QByteArray(71, 'A') + "' は 64 文字の制限を超えています。 "},
        {"truncated",
            "TPF0\x05"
            "ab",
            "EReadError: ストリームからの読み取りエラー"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(HeaderFor(c.stream), c.header);
    }
}

TEST(StreamFormat, WrittenHeadersReadBack)
{
    for (const QByteArray& cls : {QByteArray("TForm1"), QByteArray("T\xE6\x97\xA5\xE6\x9C\xAC")}) {
        const QByteArray stream = BinaryBuilder().Signature().Object(cls, "").End().End().bytes();
        ByteStream file;
        WriteFormResourceHeader(stream, file);
        file.write(stream);
        file.seek(0);
        EXPECT_EQ(DetectStreamFormat(file), sofBinary);
        ReadResHeader(file);
        EXPECT_EQ(file.remaining(), stream);
    }
}

} // namespace
