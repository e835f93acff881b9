#include "convert/AnsiCodePage.h"
#include "convert/Extended.h"
#include "convert/Filer.h"
#include "convert/support/BinaryBuilder.h"
#include "errors/Errors.h"
#include "support/ErrorAssert.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <functional>
#include <limits>

using namespace korvel;
using korvel::test::BinaryBuilder;

namespace {

// The bytes a writer produces, as upper-case hex pairs separated by blanks.
QByteArray Written(const std::function<void(TWriterEx&)>& write)
{
    ByteStream stream;
    {
        TWriterEx writer(stream);
        write(writer);
    }
    return stream.data().toHex(' ').toUpper();
}

// What a read gives as text, or "kind: message" when it fails.
QByteArray ReadResult(const QByteArray& hex, const std::function<QString(TReader&)>& read)
{
    ByteStream stream(QByteArray::fromHex(hex));
    TReader reader(stream);
    try {
        return read(reader).toUtf8();
    } catch (const EKorvelError& e) {
        return QByteArray::fromStdString(test::Describe(e));
    }
}

QString Number(long double x)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, x);
    return QString::fromLatin1(buf, r.ptr - buf);
}

class Filer : public ::testing::Test {
protected:
    void SetUp() override
    {
        FSaved = ansi::activeCodePage();
        ansi::setActiveCodePage(1252);
    }
    void TearDown() override { ansi::setActiveCodePage(FSaved); }
    int FSaved = 0;
};

TEST_F(Filer, WritesIntegersInTheSmallestTag)
{
    struct Case {
        int64_t v;
        bool wide;
        const char* hex;
    };
    const Case cases[] = {
        {0, false, "02 00"},
        {127, false, "02 7F"},
        {128, false, "03 80 00"},
        {-128, false, "02 80"},
        {-129, false, "03 7F FF"},
        {32767, false, "03 FF 7F"},
        {32768, false, "04 00 80 00 00"},
        {-32769, false, "04 FF 7F FF FF"},
        {INT32_MIN, false, "04 00 00 00 80"},
        {2147483647, true, "04 FF FF FF 7F"},
        {2147483648LL, true, "13 00 00 00 80 00 00 00 00"},
        {-2147483649LL, true, "13 FF FF FF 7F FF FF FF FF"},
        {4294967295LL, true, "13 FF FF FF FF 00 00 00 00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.v);
        EXPECT_EQ(Written([&](TWriterEx& w) {
            if (c.wide)
                w.WriteInteger(int64_t(c.v));
            else
                w.WriteInteger(int32_t(c.v));
        }),
            c.hex);
    }
}

TEST_F(Filer, WritesValues)
{
    struct Case {
        const char* name;
        std::function<void(TWriterEx&)> write;
        const char* hex;
    };
    const Case cases[] = {
        {"no prefix", [](TWriterEx& w) { w.WriteObjectPrefix(0, 5); }, ""},
        {"prefix", [](TWriterEx& w) { w.WriteObjectPrefix(ffInherited | ffInline, 5); }, "F5"},
        {"prefix+pos", [](TWriterEx& w) { w.WriteObjectPrefix(ffChildPos, 300); }, "F2 03 2C 01"},
        {"utf8 str", [](TWriterEx& w) { w.WriteUTF8Str(u"é"); }, "02 C3 A9"},
        {"ident", [](TWriterEx& w) { w.WriteIdentBytes("alTop"); }, "07 05 61 6C 54 6F 70"},
        {"false", [](TWriterEx& w) { w.WriteIdentBytes("FALSE"); }, "08"},
        {"true", [](TWriterEx& w) { w.WriteIdentBytes("true"); }, "09"},
        {"null", [](TWriterEx& w) { w.WriteIdentBytes("nULL"); }, "00"},
        {"nil", [](TWriterEx& w) { w.WriteIdentBytes("NIL"); }, "0D"},
        {"not nil", [](TWriterEx& w) { w.WriteIdentBytes("nils"); }, "07 04 6E 69 6C 73"},
        {"case only of ASCII letters", [](TWriterEx& w) { w.WriteIdentBytes("n\xC4\xB0l"); }, "07 04 6E C4 B0 6C"},
        {"ident from text", [](TWriterEx& w) { w.WriteIdent(u"Nil"); }, "0D"},
        {"non-ASCII ident from text", [](TWriterEx& w) { w.WriteIdent(u"é"); }, "07 02 C3 A9"},
        {"float 1", [](TWriterEx& w) { w.WriteFloat(1.0L); }, "05 00 00 00 00 00 00 00 80 FF 3F"},
        {"float -2.5", [](TWriterEx& w) { w.WriteFloat(-2.5L); }, "05 00 00 00 00 00 00 00 A0 00 C0"},
        {"single", [](TWriterEx& w) { w.WriteSingle(12.0L); }, "0F 00 00 40 41"},
        {"single tie", [](TWriterEx& w) { w.WriteSingle(16777217.0L); }, "0F 00 00 80 4B"},
        {"double", [](TWriterEx& w) { w.WriteDouble(1.0L); }, "15 00 00 00 00 00 00 F0 3F"},
        {"currency", [](TWriterEx& w) { w.WriteCurrency(15000); }, "10 98 3A 00 00 00 00 00 00"},
        {"date", [](TWriterEx& w) { w.WriteDate(45000.5L); }, "11 00 00 00 00 10 F9 E5 40"},
        {"binary", [](TWriterEx& w) { w.WriteBinaryValue(QByteArray::fromHex("0A0B")); }, "0A 02 00 00 00 0A 0B"},
        {"empty binary", [](TWriterEx& w) { w.WriteBinaryValue({}); }, "0A 00 00 00 00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Written(c.write), c.hex);
    }
}

TEST_F(Filer, WriteStringChoosesTheTagByTheCharacters)
{
    struct Case {
        const char16_t* s;
        const char* hex;
    };
    const Case cases[] = {
        {u"", "12 00 00 00 00"},
        {u"abc", "06 03 61 62 63"},
        {u"é", "12 01 00 00 00 E9 00"},
        {u"café", "14 05 00 00 00 63 61 66 C3 A9"},
        {u"日本", "12 02 00 00 00 E5 65 2C 67"},
        {u"a\U0001F600", "14 05 00 00 00 61 F0 9F 98 80"},
        {u"\U0001F600", "12 02 00 00 00 3D D8 00 DE"},
        // An unpaired surrogate has no UTF-8 form and stays UTF-16.
        {u"abcd\xDC80", "12 05 00 00 00 61 00 62 00 63 00 64 00 80 DC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.s).toStdString());
        EXPECT_EQ(Written([&](TWriterEx& w) { w.WriteString(QString::fromUtf16(c.s)); }), c.hex);
    }
    const QByteArray ascii256 = Written([](TWriterEx& w) { w.WriteString(QString(256, u'a')); });
    EXPECT_TRUE(ascii256.startsWith("0C 00 01 00 00 61 61"));
    EXPECT_EQ(ascii256.size(), (5 + 256) * 3 - 1);
}

TEST_F(Filer, WriteAnsiStringUsesTheCodePage)
{
    struct Case {
        int cp;
        QString s;
        const char* head;
        int size;
    };
    const Case cases[] = {
        {1252, QString(), "06 00", 2},
        {1252, QString::fromUtf16(u"é"), "06 01 E9", 3},
        {1252, QString::fromUtf16(u"日"), "06 01 3F", 3}, // replaced like the code page does
        {932, QString::fromUtf16(u"日"), "06 02 93 FA", 4},
        {932, QString(QChar(0xDC80)), "06 01 80", 3}, // an undecodable byte comes back
        {1252, QString(255, u'x'), "06 FF 78", 257},
        {1252, QString(256, u'x'), "0C 00 01 00 00 78", 261},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.head);
        ansi::setActiveCodePage(c.cp);
        const QByteArray hex = Written([&](TWriterEx& w) { w.WriteAnsiString(c.s); });
        EXPECT_TRUE(hex.startsWith(c.head)) << hex.left(40).constData();
        EXPECT_EQ((hex.size() + 1) / 3, c.size);
    }
}

TEST_F(Filer, WriteStrCutsNamesTo255Bytes)
{
    // 128 two-byte characters: the cut falls inside the 128th character.
    const QString name(128, u'é');
    ByteStream stream;
    {
        TWriter w(stream);
        w.WriteStr(name);
    }
    ASSERT_EQ(stream.size(), 256);
    EXPECT_EQ(uint8_t(stream.data()[0]), 255);
    EXPECT_EQ(stream.data().mid(1), name.toUtf8().left(255));
}

TEST_F(Filer, WriterBuffersAndFlushes)
{
    ByteStream stream;
    TWriter w(stream);
    for (int i = 0; i < TFiler::kBufferSize; ++i)
        w.WriteByte(uint8_t(i));
    EXPECT_EQ(stream.size(), 0);
    EXPECT_EQ(w.Position(), TFiler::kBufferSize);
    w.WriteByte(1);
    EXPECT_EQ(stream.size(), TFiler::kBufferSize);
    const QByteArray big(10000, 'b');
    w.WriteBinaryValue(big);
    w.FlushBuffer();
    ASSERT_EQ(stream.size(), TFiler::kBufferSize + 1 + 5 + 10000);
    EXPECT_EQ(stream.data().mid(TFiler::kBufferSize + 6), big);
    EXPECT_EQ(uint8_t(stream.data()[4095]), 0xFF);
}

TEST_F(Filer, ReadsValues)
{
    using R = TReader&;
    struct Case {
        const char* hex;
        std::function<QString(TReader&)> read;
        const char* result;
    };
    const auto num = [](auto v) { return Number(static_cast<long double>(v)); };
    const Case cases[] = {
        {"02 FF", [&](R r) { return num(r.ReadInteger()); }, "-1"},
        {"03 00 80", [&](R r) { return num(r.ReadInteger()); }, "-32768"},
        {"04 00 00 00 80", [&](R r) { return num(r.ReadInteger()); }, "-2147483648"},
        {"13 00 00 00 80 00 00 00 00", [&](R r) { return num(r.ReadInteger()); }, "EReadError: プロパティ値が無効です"},
        {"13 00 00 00 80 00 00 00 00", [&](R r) { return num(r.ReadInt64()); }, "2147483648"},
        {"05 00 00 00 00 00 00 00 80 FF 3F", [&](R r) { return num(r.ReadFloat()); }, "1"},
        {"15 00 00 00 00 00 00 F8 3F", [&](R r) { return num(r.ReadFloat()); }, "1.5"},
        {"02 07", [&](R r) { return num(r.ReadFloat()); }, "7"},
        {"06 00", [&](R r) { return num(r.ReadFloat()); }, "EReadError: プロパティ値が無効です"},
        {"0F 00 00 C0 3F", [&](R r) { return num(r.ReadSingle()); }, "1.5"},
        {"13 01 00 00 00 00 00 00 00", [&](R r) { return num(r.ReadSingle()); }, "1"},
        {"10 98 3A 00 00 00 00 00 00", [&](R r) { return num(r.ReadCurrency()); }, "15000"},
        {"02 02", [&](R r) { return num(r.ReadCurrency()); }, "20000"},
        {"13 FF FF FF FF FF FF FF 7F", [&](R r) { return num(r.ReadCurrency()); },
            "EReadError: プロパティ値が無効です"},
        {"11 00 00 00 00 10 F9 E5 40", [&](R r) { return num(r.ReadDate()); }, "45000.5"},
        {"06 03 63 61 E9", [](R r) { return r.ReadString(); }, "caé"},
        {"0C 02 00 00 00 61 E9", [](R r) { return r.ReadString(); }, "aé"},
        {"12 01 00 00 00 E9 00", [](R r) { return r.ReadString(); }, "é"},
        {"14 02 00 00 00 C3 A9", [](R r) { return r.ReadString(); }, "é"},
        {"07 01 41", [](R r) { return r.ReadString(); }, "EReadError: プロパティ値が無効です"},
        {"86 01 41", [](R r) { return r.ReadString(); }, "EReadError: プロパティ値が無効です"},
        {"0C FF FF FF 7F 61", [](R r) { return r.ReadString(); }, "EReadError: ストリームからの読み取りエラー"},
        {"12 00 00 00 40 61", [](R r) { return r.ReadString(); }, "EReadError: ストリームからの読み取りエラー"},
        {"14 FF FF FF FF", [](R r) { return r.ReadString(); }, "EReadError: ストリームからの読み取りエラー"},
        {"00", [](R r) { return r.ReadIdent(); }, "Null"},
        {"07 03 61 62 63", [](R r) { return r.ReadIdent(); }, "abc"},
        {"89", [](R r) { return r.ReadIdent(); }, "True"},
        {"8D", [](R r) { return r.ReadIdent(); }, "nil"},
        {"08", [](R r) { return r.ReadIdent(); }, "False"},
        {"87 02 C3 A9", [](R r) { return r.ReadIdent(); }, "é"},
        {"06 00", [](R r) { return r.ReadIdent(); }, "EReadError: プロパティ値が無効です"},
        {"03 C3 A9 78", [](R r) { return r.ReadStr(); }, "éx"},
        {"05 41", [](R r) { return r.ReadStr(); }, "EReadError: ストリームからの読み取りエラー"},
        {"54 50 46 31",
            [](R r) {
                r.ReadSignature();
                return QString();
            },
            "EReadError: ストリーム形式が無効です"},
        {"54 50",
            [](R r) {
                r.ReadSignature();
                return QString();
            },
            "EReadError: ストリームからの読み取りエラー"},
        {"02",
            [](R r) {
                r.CheckValue(vaList);
                return QString();
            },
            "EReadError: プロパティ値が無効です"},
        {"",
            [](R r) {
                r.NextValue();
                return QString();
            },
            "EReadError: ストリームからの読み取りエラー"},
        {"00 05",
            [](R r) {
                const bool end = r.EndOfList();
                const int first = r.ReadValue();
                return QString::number(end) + QString::number(first) + QString::number(r.EndOfList());
            },
            "100"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hex);
        EXPECT_EQ(ReadResult(c.hex, c.read), c.result);
    }
}

TEST_F(Filer, ReadsPrefixes)
{
    struct Case {
        const char* hex;
        int flags;
        int pos;
        int consumed;
    };
    const Case cases[] = {
        {"06 54", 0, -7, 0},
        {"F1 06", ffInherited, -7, 1},
        {"F2 03 2C 01", ffChildPos, 300, 4},
        {"F6 02 FE", ffChildPos | ffInline, -2, 3},
        {"FF 02 01", 15, 1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hex);
        ByteStream stream(QByteArray::fromHex(c.hex));
        TReader reader(stream);
        TFilerFlags flags = -1;
        int32_t pos = -7;
        reader.ReadPrefix(flags, pos);
        EXPECT_EQ(flags, c.flags);
        EXPECT_EQ(pos, c.pos);
        EXPECT_EQ(reader.Position(), c.consumed);
    }
}

TEST_F(Filer, ReaderReturnsUnreadBytesToTheStream)
{
    QByteArray data(10000, 'x');
    data[0] = 2;
    ByteStream stream(data);
    {
        TReader reader(stream);
        EXPECT_EQ(reader.ReadInteger(), 'x');
        EXPECT_EQ(stream.position(), TFiler::kBufferSize); // read one block
        EXPECT_EQ(reader.ReadView(5000), QByteArray(5000, 'x'));
        EXPECT_EQ(reader.Remaining(), 10000 - 5002);
    }
    EXPECT_EQ(stream.position(), 5002);
}

TEST_F(Filer, ExtendedLayoutRoundTrips)
{
    struct Case {
        const char* hex;
        long double value;
    };
    const long double denormMin = std::numeric_limits<long double>::denorm_min();
    const Case cases[] = {
        {"00 00 00 00 00 00 00 00 00 00", 0.0L},
        {"00 00 00 00 00 00 00 80 FF 3F", 1.0L},
        {"00 00 00 00 00 00 00 80 00 40", 2.0L},
        {"CD CC CC CC CC CC CC CC FB 3F", 0.1L},
        {"00 00 00 00 00 00 00 80 01 00", std::numeric_limits<long double>::min()},
        {"01 00 00 00 00 00 00 00 00 00", denormMin},
        {"FF FF FF FF FF FF FF FF FE 7F", std::numeric_limits<long double>::max()},
        {"00 00 00 00 00 00 00 80 FF 7F", std::numeric_limits<long double>::infinity()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hex);
        const QByteArray bytes = QByteArray::fromHex(c.hex);
        EXPECT_EQ(ExtendedFromBytes(reinterpret_cast<const uint8_t*>(bytes.constData())), c.value);
        uint8_t out[kExtendedSize];
        ExtendedToBytes(c.value, out);
        EXPECT_EQ(
            QByteArray(reinterpret_cast<const char*>(out), kExtendedSize).toHex(' ').toUpper(), QByteArray(c.hex));
    }
    // A pseudo-denormal (exponent 0 with the integer bit) reads as the normal value it equals.
    const QByteArray pseudo = QByteArray::fromHex("00000000000000800000");
    EXPECT_EQ(ExtendedFromBytes(reinterpret_cast<const uint8_t*>(pseudo.constData())),
        std::numeric_limits<long double>::min());
    const QByteArray negZero = QByteArray::fromHex("00000000000000000080");
    EXPECT_TRUE(std::signbit(ExtendedFromBytes(reinterpret_cast<const uint8_t*>(negZero.constData()))));
}

} // namespace
