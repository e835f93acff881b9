#include "convert/BinaryToText.h"
#include "convert/Filer.h"
#include "convert/Parser.h"
#include "convert/TextToBinary.h"
#include "convert/support/BinaryBuilder.h"
#include "convert/support/TextFormSupport.h"

#include <gtest/gtest.h>

using namespace korvel;
using korvel::test::BinaryBuilder;
using korvel::test::CodePageScope;
using korvel::test::HexDump;
using korvel::test::RunConversion;

namespace {

// The text in UTF-16 behind its byte-order mark.
QByteArray Utf16(const char16_t* text, bool bigEndian)
{
    QByteArray bytes;
    const QString s = QChar(0xFEFF) + QString::fromUtf16(text);
    for (QChar c : s) {
        const char hi = char(c.unicode() >> 8);
        const char lo = char(c.unicode() & 0xFF);
        bytes.append(bigEndian ? hi : lo).append(bigEndian ? lo : hi);
    }
    return bytes;
}

std::string Stream(const QByteArray& text)
{
    return RunConversion(TextToStream, text);
}
std::string StreamAnsi(const QByteArray& text)
{
    return RunConversion(TextToStreamAnsi, text);
}
std::string Resource(const QByteArray& text)
{
    return RunConversion(TextToResource, text);
}
std::string ResourceAnsi(const QByteArray& text)
{
    return RunConversion(TextToResourceAnsi, text);
}

// The hex bytes written for the value of property P in "object A: TA", or the
// error; variant picks the standard or the ANSI conversion.
std::string Value(const QByteArray& value, bool ansi)
{
    const QByteArray text = "object A: TA\r\n  P = " + value + "\r\nend\r\n";
    const std::string head = "54 50 46 30 02 54 41 01 41 01 50 ";
    const std::string tail = " 00 00";
    const std::string got = ansi ? StreamAnsi(text) : Stream(text);
    if (got.rfind(head, 0) != 0 || got.size() < head.size() + tail.size()
        || got.compare(got.size() - tail.size(), tail.size(), tail) != 0)
        return got;
    return got.substr(head.size(), got.size() - head.size() - tail.size());
}

struct ValueCase {
    const char* text;
    const char* standard;
    const char* ansi; // nullptr: same as standard
};

class TextToBinaryValues : public ::testing::TestWithParam<ValueCase> { };

TEST_P(TextToBinaryValues, WritesTheTagAndPayload)
{
    const CodePageScope cp(1252);
    const ValueCase& c = GetParam();
    EXPECT_EQ(Value(c.text, false), c.standard) << c.text;
    EXPECT_EQ(Value(c.text, true), c.ansi ? c.ansi : c.standard) << c.text << " (ANSI)";
}

INSTANTIATE_TEST_SUITE_P(Cases, TextToBinaryValues,
    ::testing::Values(ValueCase{"1", "02 01", nullptr}, ValueCase{"127", "02 7f", nullptr},
        ValueCase{"128", "03 80 00", nullptr}, ValueCase{"-128", "02 80", nullptr},
        ValueCase{"-129", "03 7f ff", nullptr}, ValueCase{"32768", "04 00 80 00 00", nullptr},
        ValueCase{"2147483647", "04 ff ff ff 7f", nullptr},
        ValueCase{"$FFFFFFFF", "13 ff ff ff ff 00 00 00 00", nullptr},
        ValueCase{"-9223372036854775808", "13 00 00 00 00 00 00 00 80", nullptr},
        ValueCase{"1.5", "05 00 00 00 00 00 00 00 c0 ff 3f", nullptr},
        ValueCase{"1.5f", "05 00 00 00 00 00 00 00 c0 ff 3f", nullptr}, ValueCase{"-2", "02 fe", nullptr},
        ValueCase{"2E0", "05 00 00 00 00 00 00 00 80 00 40", nullptr}, ValueCase{"12s", "0f 00 00 40 41", nullptr},
        ValueCase{"0.1S", "0f cd cc cc 3d", nullptr}, ValueCase{"15000c", "10 98 3a 00 00 00 00 00 00", nullptr},
        ValueCase{"1.5c", "10 02 00 00 00 00 00 00 00", nullptr},
        ValueCase{"2.5c", "10 02 00 00 00 00 00 00 00", nullptr},
        ValueCase{"-0.5C", "10 00 00 00 00 00 00 00 00", nullptr},
        ValueCase{"45000.5d", "11 00 00 00 00 10 f9 e5 40", nullptr}, ValueCase{"True", "09", nullptr},
        ValueCase{"false", "08", nullptr}, ValueCase{"NIL", "0d", nullptr}, ValueCase{"null", "00", nullptr},
        ValueCase{"alTop", "07 05 61 6c 54 6f 70", nullptr},
        ValueCase{"Form1.Button1", "07 0d 46 6f 72 6d 31 2e 42 75 74 74 6f 6e 31", nullptr},
        ValueCase{"''", "12 00 00 00 00", "06 00"}, ValueCase{"'abc'", "06 03 61 62 63", nullptr},
        ValueCase{"'a' +\r\n    'b' + #67", "06 03 61 62 43", nullptr}, ValueCase{"'' + ''", "12 00 00 00 00", "06 00"},
        ValueCase{"#233", "12 01 00 00 00 e9 00", "06 01 e9"},
        ValueCase{"'caf'#233", "14 05 00 00 00 63 61 66 c3 a9", "06 04 63 61 66 e9"},
        ValueCase{"'\xE9'", "12 01 00 00 00 e9 00", "06 01 e9"}, ValueCase{"#12354", "12 01 00 00 00 42 30", nullptr},
        ValueCase{"#233#12354", "12 02 00 00 00 e9 00 42 30", nullptr},
        ValueCase{"'a' + 1", "EParserError: 2 行目: 文字列が必要です", "EParserError: 2 行目: 文字列が必要です"},
        ValueCase{"()", "01 00", nullptr}, ValueCase{"(1 'x'\r\n  (True))", "01 02 01 06 01 78 01 09 00 00", nullptr},
        ValueCase{"(nil null)", "EParserError: 2 行目: プロパティ値が無効です",
            "EParserError: 2 行目: プロパティ値が無効です"},
        ValueCase{"<item P = Null end>", "0e 01 01 50 00 00 00", nullptr}, ValueCase{"<>", "0e 00", nullptr},
        ValueCase{"<item X = 1 end ITEM [2] END item [-5] end item [-1] end>",
            "0e 01 01 58 02 01 00 02 02 01 00 02 fb 01 00 01 00 00", nullptr},
        ValueCase{"<item Object = 1 end>", "0e 01 06 4f 62 6a 65 63 74 02 01 00 00", nullptr},
        ValueCase{"<foo>", "EParserError: 2 行目: item が必要です", "EParserError: 2 行目: item が必要です"},
        ValueCase{"[]", "0b 00", nullptr},
        ValueCase{"[akTop, akLeft]", "0b 05 61 6b 54 6f 70 06 61 6b 4c 65 66 74 00", nullptr},
        ValueCase{"['A']", "0b 03 23 36 35 00", nullptr},
        ValueCase{"[#200, 'xy', 5]", "0b 04 23 32 30 30 04 23 31 32 30 01 35 00", nullptr},
        ValueCase{
            "['']", "EParserError: 2 行目: プロパティ値が無効です", "EParserError: 2 行目: プロパティ値が無効です"},
        ValueCase{"[a b]", "EParserError: 2 行目: '','' が必要です", "EParserError: 2 行目: '','' が必要です"},
        ValueCase{"[a.b]", "EParserError: 2 行目: '','' が必要です", "EParserError: 2 行目: '','' が必要です"},
        ValueCase{"{0A0B}", "0a 02 00 00 00 0a 0b", nullptr}, ValueCase{"{}", "0a 00 00 00 00", nullptr},
        ValueCase{"{0A0}", "EParserError: 2 行目: バイナリ値が無効です", "EParserError: 2 行目: バイナリ値が無効です"},
        ValueCase{")", "EParserError: 2 行目: プロパティ値が無効です", "EParserError: 2 行目: プロパティ値が無効です"},
        ValueCase{"1+2", "EConvertError: '1+2' は浮動小数点数ではありません",
            "EConvertError: '1+2' は浮動小数点数ではありません"},
        ValueCase{"99999999999999999999", "EConvertError: '99999999999999999999' は整数ではありません",
            "EConvertError: '99999999999999999999' は整数ではありません"},
        ValueCase{
            "1E30c", "EParserError: 2 行目: プロパティ値が無効です", "EParserError: 2 行目: プロパティ値が無効です"},
        // Below the smallest normal extended value: rounded to the nearest denormal, not to 0.
        ValueCase{"1E-4940", "05 62 8e 27 63 06 00 00 00 00 00", nullptr},
        ValueCase{"-1E-4940", "05 62 8e 27 63 06 00 00 00 00 80", nullptr},
        ValueCase{"3.6451995318824746E-4951", "05 01 00 00 00 00 00 00 00 00 00", nullptr},
        ValueCase{"0.00000000000000000000000000000000000000000000000000000000000000000000000000000001E-4860",
            "05 62 8e 27 63 06 00 00 00 00 00", nullptr},
        ValueCase{"1E-4952", "05 00 00 00 00 00 00 00 00 00 00", nullptr},
        // The largest currency values, which the 15-digit text cannot hold.
        ValueCase{"9223372036854775807c", "10 ff ff ff ff ff ff ff 7f", nullptr},
        ValueCase{"-9223372036854775808c", "10 00 00 00 00 00 00 00 80", nullptr}));

struct FormCase {
    const char* name;
    QByteArray text;
    std::string expected;
};

class TextToBinaryForms : public ::testing::TestWithParam<FormCase> { };

TEST_P(TextToBinaryForms, Converts)
{
    const CodePageScope cp(1252);
    EXPECT_EQ(Stream(GetParam().text), GetParam().expected) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Cases, TextToBinaryForms,
    ::testing::Values(FormCase{"no object name", "object TFoo\r\nend", "54 50 46 30 04 54 46 6f 6f 00 00 00"},
        FormCase{"keywords in any case",
            "Object A: TA\r\n  inherited B: TB\r\n  END\r\n  INLINE C: TC [3]\r\n  End\r\nend",
            "54 50 46 30 02 54 41 01 41 00 f1 02 54 42 01 42 00 00 f6 02 03 02 54 43 01 43 00 00 00"},
        FormCase{
            "inherited with position", "inherited A: TA [300]\r\nend", "54 50 46 30 f3 03 2c 01 02 54 41 01 41 00 00"},
        FormCase{"position -1 is none", "object A: TA [-1]\r\nend", "54 50 46 30 02 54 41 01 41 00 00"},
        FormCase{"negative position is none", "object A: TA [-5]\r\nend", "54 50 46 30 02 54 41 01 41 00 00"},
        FormCase{"position takes the low 32 bits", "object A: TA [$100000007]\r\nend",
            "54 50 46 30 f2 02 07 02 54 41 01 41 00 00"},
        FormCase{"dotted property names", "object A: TA\r\n  Font . Name = 1\r\nend",
            "54 50 46 30 02 54 41 01 41 09 46 6f 6e 74 2e 4e 61 6d 65 02 01 00 00"},
        FormCase{"text after the root's end is ignored", "object A: TA\r\nend\r\nobject B: TB\r\nend 'open",
            "54 50 46 30 02 54 41 01 41 00 00"},
        FormCase{"utf8 names", "\xEF\xBB\xBFobject \xC3\xA9: T\xC3\xA9\r\n  n\xC3\xA4me = \xC3\xBC\r\nend",
            "54 50 46 30 03 54 c3 a9 02 c3 a9 05 6e c3 a4 6d 65 07 02 c3 bc 00 00"},
        FormCase{"names cut to 255 bytes", "inherited A: T" + QByteArray(300, 'x') + "\r\nend",
            "54 50 46 30 f1 ff 54" + QByteArray(" 78").repeated(254).toStdString() + " 01 41 00 00"},
        // Without a prefix a class name's length byte of 0xF0 or above would read back as one.
        FormCase{"class name of 239 bytes", "object A: TA\r\n  object B: T" + QByteArray(238, 'x') + "\r\n  end\r\nend",
            "54 50 46 30 02 54 41 01 41 00 ef 54" + QByteArray(" 78").repeated(238).toStdString() + " 01 42 00 00 00"},
        FormCase{"class name of 240 bytes", "object A: TA\r\n  object B: T" + QByteArray(239, 'x') + "\r\n  end\r\nend",
            "EParserError: 2 行目: コンポーネント名 'T" + std::string(239, 'x')
                + "' は 64 文字の制限を超えています。 "},
        FormCase{"class name of 300 bytes", "object A: TA\r\n  object T" + QByteArray(299, 'x') + "\r\n  end\r\nend",
            "EParserError: 2 行目: コンポーネント名 'T" + std::string(299, 'x')
                + "' は 64 文字の制限を超えています。 "},
        FormCase{"class name of 240 bytes after a prefix",
            "object A: TA\r\n  inline B: T" + QByteArray(239, 'x') + "\r\n  end\r\nend",
            "54 50 46 30 02 54 41 01 41 00 f4 f0 54" + QByteArray(" 78").repeated(239).toStdString()
                + " 01 42 00 00 00"},
        FormCase{"root class name of 255 bytes", "object T" + QByteArray(254, 'x') + "\r\nend",
            "EParserError: 1 行目: コンポーネント名 'T" + std::string(254, 'x')
                + "' は 64 文字の制限を超えています。 "},
        FormCase{"empty text", "", "EParserError: 1 行目: OBJECT が必要です"},
        FormCase{"not a keyword", "form A: TA\r\nend", "EParserError: 1 行目: OBJECT が必要です"},
        FormCase{"text ends before end", "object A: TA\r\n  X = 1\r\n", "EParserError: 3 行目: 識別子が必要です"},
        FormCase{"missing equals", "object A: TA\r\n  X 1\r\nend", "EParserError: 2 行目: ''='' が必要です"},
        FormCase{"missing bracket", "object A: TA [1\r\nend", "EParserError: 2 行目: '']'' が必要です"},
        FormCase{"position not a number", "object A: TA [x]\r\nend", "EParserError: 1 行目: 数値が必要です"},
        FormCase{"keyword as property name", "object A: TA\r\n  Inline = True\r\nend",
            "EParserError: 2 行目: 識別子が必要です"},
        FormCase{"ansi name with high byte", "object A\xE9: TA\r\nend", "EParserError: 1 行目: 識別子が必要です"},
        FormCase{"ansi property name with high byte", "object A: TA\r\n  Ab\xE9 = 1\r\nend",
            "EParserError: 2 行目: ''='' が必要です"},
        FormCase{"child that is no object", "object A: TA\r\n  object B: TB\r\n  X = 1\r\n  end\r\n  foo\r\nend",
            "EParserError: 5 行目: OBJECT が必要です"},
        // UTF-16 text is read as the same text in UTF-8.
        FormCase{"utf16le text", Utf16(u"object A: T\u00E9\r\n  P = '\u65E5'\r\nend", false),
            "54 50 46 30 03 54 c3 a9 01 41 01 50 12 01 00 00 00 e5 65 00 00"},
        FormCase{"utf16be text", Utf16(u"object A: T\u00E9\r\n  P = '\u65E5'\r\nend", true),
            "54 50 46 30 03 54 c3 a9 01 41 01 50 12 01 00 00 00 e5 65 00 00"},
        // A leading U+FEFF inside a quoted string is a character, not a byte-order mark.
        FormCase{"U+FEFF in a string",
            "\xEF\xBB\xBFobject A: TA\r\n  P = '\xEF\xBB\xBF'\r\n  Q = '\xEF\xBB\xBF"
            "ab\xC3\xA9'\r\nend",
            "54 50 46 30 02 54 41 01 41 01 50 12 01 00 00 00 ff fe "
            "01 51 14 07 00 00 00 ef bb bf 61 62 c3 a9 00 00"},
        FormCase{
            "nul ends the text", QByteArray("object A: TA\r\nend\0garbage", 25), "54 50 46 30 02 54 41 01 41 00 00"},
        FormCase{"nul before end", QByteArray("object A: TA\r\n\0end", 18), "EParserError: 2 行目: 識別子が必要です"}));

// Binary to text and back: what comes back is what our writer chooses.
TEST(TextToBinary, BinaryValuesComeBackWithTheWritersTags)
{
    const CodePageScope cp(1252);
    struct Case {
        QByteArray value;
        std::string expected;
    };
    const Case cases[] = {
        {BinaryBuilder().Int64(5).bytes(), "02 05"},
        {BinaryBuilder().Byte(4).Le(1, 4).bytes(), "02 01"},
        {BinaryBuilder().Byte(3).Le(uint64_t(-2), 2).bytes(), "02 fe"},
        {BinaryBuilder().Double(0.5).bytes(), "05 00 00 00 00 00 00 00 80 fe 3f"},
        {BinaryBuilder().Utf8String("\xC3\xA9").bytes(), "12 01 00 00 00 e9 00"},
        {BinaryBuilder().Utf8String("caf\xC3\xA9").bytes(), "14 05 00 00 00 63 61 66 c3 a9"},
        {BinaryBuilder().LString("abc").bytes(), "06 03 61 62 63"},
        {BinaryBuilder().Ident("null").bytes(), "00"},
        {BinaryBuilder().Set({"a", "#65"}).bytes(), "0b 01 61 03 23 36 35 00"},
    };
    for (const Case& c : cases) {
        const QByteArray binary =
            BinaryBuilder().Signature().Object("TA", "A").Prop("P").Raw(c.value).End().End().bytes();
        ByteStream in(binary);
        ByteStream text;
        BinaryStreamToText(in, text);
        EXPECT_EQ(Value(text.data().mid(text.data().indexOf("= ") + 2).chopped(7), false), c.expected)
            << text.data().toStdString();
    }
}

TEST(TextToBinary, ResourceHeaderFollowsTheRootClassName)
{
    const CodePageScope cp(1252);
    EXPECT_EQ(Resource("object Form1: TForm1\r\nend\r\n"),
        "ff 0a 00 54 46 4f 52 4d 31 00 30 10 13 00 00 00 "
        "54 50 46 30 06 54 46 6f 72 6d 31 05 46 6f 72 6d 31 00 00");
    EXPECT_EQ(ResourceAnsi("inherited Form1: TForm1 [2]\r\nend\r\n"),
        "ff 0a 00 54 46 4f 52 4d 31 00 30 10 16 00 00 00 "
        "54 50 46 30 f3 02 02 06 54 46 6f 72 6d 31 05 46 6f 72 6d 31 00 00");
    EXPECT_EQ(Resource("\xEF\xBB\xBFobject T\xC3\xA9\r\nend"),
        "00 00 00 00 20 00 00 00 ff ff 00 00 ff ff 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
        "0b 00 00 00 22 00 00 00 ff ff 0a 00 54 00 e9 00 00 00 00 00 00 00 00 00 09 04 00 00 00 00 00 00 00 00 "
        "54 50 46 30 03 54 c3 a9 00 00 00");

    const QByteArray name70 = "T" + QByteArray(69, 'a');
    const std::string got70 = Resource("object " + name70 + "\r\nend");
    EXPECT_EQ(got70.substr(0, 12), "ff 0a 00 54 ");
    EXPECT_EQ(Resource("object " + name70 + "a\r\nend"),
        "EParserError: コンポーネント名 'T" + QByteArray(70, 'A').toStdString()
            + "' は 64 文字の制限を超えています。 ");
}

TEST(TextToBinary, AppendsAfterExistingOutput)
{
    ByteStream in(QByteArray("object A: TA\r\nend"));
    ByteStream out(QByteArray("xyz"));
    out.seek(3);
    TextToStream(in, out);
    EXPECT_EQ(HexDump(out.data()), "78 79 7a 54 50 46 30 02 54 41 01 41 00 00");
    EXPECT_EQ(out.position(), out.size());
}

TEST(TextToBinary, ReadsFromTheInputPosition)
{
    ByteStream in(QByteArray("junk object A: TA\r\nend"));
    in.seek(5);
    ByteStream out;
    TextToStream(in, out);
    EXPECT_EQ(HexDump(out.data()), "54 50 46 30 02 54 41 01 41 00 00");
}

TEST(TextToBinary, LongStringsUseTheFourByteLength)
{
    const CodePageScope cp(1252);
    const QByteArray s255(255, 'a');
    const QByteArray s256(256, 'a');
    EXPECT_EQ(Value("'" + s255 + "'", false).substr(0, 9), "06 ff 61 ");
    EXPECT_EQ(Value("'" + s256 + "'", false).substr(0, 18), "0c 00 01 00 00 61 ");
    EXPECT_EQ(Value("'" + QByteArray(255, '\xE9') + "'", true).substr(0, 9), "06 ff e9 ");
    EXPECT_EQ(Value("'" + QByteArray(128, 'a') + "' + '" + QByteArray(128, '\xE9') + "'", true).substr(0, 18),
        "0c 00 01 00 00 61 ");
}

// What the ANSI variant cannot represent exactly it writes by the standard rule, never as '?'.
TEST(TextToBinary, AnsiVariantNeverSubstitutes)
{
    const CodePageScope cp(1252);
    EXPECT_EQ(Value("'caf'#233#12354", true), "14 08 00 00 00 63 61 66 c3 a9 e3 81 82");
    EXPECT_EQ(Value("#1074", true), "12 01 00 00 00 32 04");
    const CodePageScope cyrillic(1251);
    EXPECT_EQ(Value("#1074", true), "06 01 e2");
    const CodePageScope japanese(932);
    EXPECT_EQ(Value("#12354", true), "06 02 82 a0");
}

// Every byte of an ANSI string comes back unchanged, whatever the code page.
TEST(TextToBinary, AnsiStringBytesSurviveInEveryCodePage)
{
    QByteArray bytes;
    for (int b = 0x80; b <= 0xFF; ++b)
        bytes.append(char(b));
    for (int b = 0x80; b <= 0xFF; ++b)
        bytes.append(char(b)).append('A').append(char(b)).append(char(0x80 + (b * 7) % 128));
    for (int codePage : {1252, 932, 936, 949, 950, 1250, 1251, 1253, 1254, 1255, 1256, 1257, 1258, 874}) {
        ASSERT_TRUE(ansi::isSupported(codePage)) << codePage;
        const CodePageScope cp(codePage);
        ByteStream in("object A: TA\r\n  P = '" + bytes + "'\r\nend\r\n");
        ByteStream out;
        TextToStreamAnsi(in, out);
        const QByteArray expected = "TPF0\x02TA\x01"
                                    "A\x01P\x0C"
            + QByteArray::fromHex("80020000") + bytes + QByteArray(2, '\0');
        EXPECT_EQ(out.data(), expected) << "code page " << codePage;
    }
}

TEST(TextToBinary, NestingBeyondTheLimitFailsCleanly)
{
    const auto nested = [](int depth, const QByteArray& open, const QByteArray& close) {
        return "object A: TA\r\n  P = " + (open + "\n").repeated(depth) + (close + "\n").repeated(depth) + "end";
    };
    // The root counts one level, so 999 lists fit and 1000 do not; the 1000th
    // opens on line 1001.
    EXPECT_EQ(Stream(nested(999, "(", ")")).substr(0, 12), "54 50 46 30 ");
    EXPECT_EQ(Stream(nested(1000, "(", ")")), "EParserError: 1001 行目: 入れ子が深すぎます");
    EXPECT_EQ(Stream(nested(1000, "<item P = ", " end>")), "EParserError: 1001 行目: 入れ子が深すぎます");

    QByteArray objects;
    for (int i = 0; i < 1001; ++i)
        objects += "object A: TA\n";
    EXPECT_EQ(Stream(objects), "EParserError: 1001 行目: 入れ子が深すぎます");

    EXPECT_EQ(Stream(nested(100000, "(", ")")), "EParserError: 1001 行目: 入れ子が深すぎます");
    EXPECT_EQ(Stream("object A: TA\r\n" + QByteArray("object B: TB\r\n").repeated(100000)),
        "EParserError: 1001 行目: 入れ子が深すぎます");
}

TEST(TextToBinary, LongLinesFail)
{
    // "  P = '" + fits + "'" + CR makes a line of exactly 4094 bytes.
    const QByteArray fits(kMaxSourceLineBytes - 9, 'a');
    EXPECT_EQ(Stream("object A: TA\r\n  P = '" + fits + "'\r\nend").substr(0, 12), "54 50 46 30 ");
    EXPECT_EQ(Stream("object A: TA\r\n  P = '" + fits + "a'\r\nend"), "EParserError: 2 行目: 行が長すぎます");
}

} // namespace

// Errors found after the scan moved on still name the line of the object header.
TEST(TextToBinaryErrors, CarryTheLineOfTheFailingPart)
{
    const QByteArray name = "T" + QByteArray(239, 'x');
    ByteStream in("object A: TA\r\n  object B: " + name + "\r\n  end\r\nend"), out;
    EXPECT_KORVEL_ERROR_AT(TextToResource(in, out), EParserError,
        QStringLiteral("2 行目: コンポーネント名 '%1' は 64 文字の制限を超えています。 ")
            .arg(QString::fromLatin1(name)),
        2);
}
