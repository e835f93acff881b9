#include "convert/AnsiCodePage.h"
#include "convert/BinaryToText.h"
#include "convert/Filer.h"
#include "convert/StreamFormat.h"
#include "convert/TextToBinary.h"
#include "convert/support/BinaryBuilder.h"
#include "errors/Errors.h"
#include "support/ErrorAssert.h"
#include "support/Corpus.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>

#include <chrono>
#include <cmath>
#include <limits>

using namespace korvel;
using korvel::test::BinaryBuilder;

namespace {

// The text of a form stream, or "kind: message" when the conversion fails; on
// failure the output stream must be exactly as it was.
QByteArray Convert(const QByteArray& stream)
{
    ByteStream in(stream);
    ByteStream out(QByteArray("keep"));
    out.seek(4);
    try {
        BinaryStreamToText(in, out);
    } catch (const EKorvelError& e) {
        if (out.data() != "keep" || out.position() != 4)
            return "output changed on failure";
        return QByteArray::fromStdString(test::Describe(e));
    }
    return out.data().mid(4);
}

// A root object Form1: TForm1 holding the given property bytes.
QByteArray Form(const QByteArray& properties)
{
    return BinaryBuilder().Signature().Object("TForm1", "Form1").Raw(properties).End().End().bytes();
}

// The text of Form(properties) with the given property lines.
QByteArray FormText(const QByteArray& lines)
{
    return "object Form1: TForm1\r\n" + lines + "end\r\n";
}

// The text of a form holding the single property P with the given value bytes.
QByteArray ValueText(const QByteArray& value)
{
    const QByteArray text = Convert(Form(BinaryBuilder().Prop("P").Raw(value).bytes()));
    const QByteArray head = "object Form1: TForm1\r\n  P = ";
    const QByteArray tail = "\r\nend\r\n";
    if (!text.startsWith(head) || !text.endsWith(tail))
        return text;
    return text.mid(head.size(), text.size() - head.size() - tail.size());
}

class CodePage1252 : public ::testing::Test {
protected:
    void SetUp() override
    {
        FSaved = ansi::activeCodePage();
        ansi::setActiveCodePage(1252);
    }
    void TearDown() override { ansi::setActiveCodePage(FSaved); }
    int FSaved = 0;
};

using BinaryToText = CodePage1252;

TEST_F(BinaryToText, ConvertsTheIllustratedForm)
{
    const QByteArray form = BinaryBuilder()
                                .Signature()
                                .Object("TForm1", "Form1")
                                .Prop("Caption")
                                .String("Hello\r\nWorld")
                                .Prop("Items.Strings")
                                .Byte(1)
                                .String("a")
                                .String("b")
                                .End()
                                .Prop("Columns")
                                .Byte(14)
                                .Byte(1)
                                .Prop("Width")
                                .Int(64)
                                .End()
                                .Int(2)
                                .Byte(1)
                                .Prop("Width")
                                .Int(100)
                                .End()
                                .End()
                                .Prop("Data")
                                .Binary(QByteArray::fromHex("0A0B"))
                                .End()
                                .Object("TPanel", "Panel1", ffChildPos, 1)
                                .Prop("Align")
                                .Ident("alTop")
                                .End()
                                .End()
                                .End()
                                .bytes();
    EXPECT_EQ(Convert(form),
        "object Form1: TForm1\r\n"
        "  Caption = 'Hello'#13#10'World'\r\n"
        "  Items.Strings = (\r\n"
        "    'a'\r\n"
        "    'b')\r\n"
        "  Columns = <\r\n"
        "    item\r\n"
        "      Width = 64\r\n"
        "    end\r\n"
        "    item [2]\r\n"
        "      Width = 100\r\n"
        "    end>\r\n"
        "  Data = {0A0B}\r\n"
        "  object Panel1: TPanel [1]\r\n"
        "    Align = alTop\r\n"
        "  end\r\n"
        "end\r\n");
}

TEST_F(BinaryToText, WritesObjectHeaders)
{
    struct Case {
        int flags;
        int pos;
        QByteArray cls, name, header;
    };
    const Case cases[] = {
        {0, 0, "TFoo", "", "object TFoo"}, {0, 0, "TFoo", "Foo1", "object Foo1: TFoo"},
        {ffInherited, 0, "TFoo", "Foo1", "inherited Foo1: TFoo"}, {ffInline, 0, "TFoo", "Foo1", "inline Foo1: TFoo"},
        {ffInherited | ffInline, 0, "TFoo", "Foo1", "inherited Foo1: TFoo"},
        {ffInherited | ffChildPos, 300, "TFoo", "Foo1", "inherited Foo1: TFoo [300]"},
        {ffChildPos, -5, "TFoo", "", "object TFoo [-5]"},
        {8, 0, "TFoo", "A", "object A: TFoo"}, // unknown flag bits are kept but write nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header.constData());
        const QByteArray stream = BinaryBuilder().Signature().Object(c.cls, c.name, c.flags, c.pos).End().End().bytes();
        EXPECT_EQ(Convert(stream), c.header + "\r\nend\r\n");
    }
}

TEST_F(BinaryToText, WritesScalarValues)
{
    struct Case {
        QByteArray value;
        QByteArray text;
    };
    const Case cases[] = {
        {BinaryBuilder().Int(0).bytes(), "0"},
        {BinaryBuilder().Int(-128).bytes(), "-128"},
        {BinaryBuilder().Int(-32768).bytes(), "-32768"},
        {BinaryBuilder().Int(INT32_MIN).bytes(), "-2147483648"},
        {BinaryBuilder().Int64(INT64_MIN).bytes(), "-9223372036854775808"},
        {BinaryBuilder().Int64(5).bytes(), "5"},
        {BinaryBuilder().Byte(vaNull).bytes(), "Null"},
        {BinaryBuilder().Byte(vaFalse).bytes(), "False"},
        {BinaryBuilder().Byte(vaTrue).bytes(), "True"},
        {BinaryBuilder().Byte(vaNil).bytes(), "nil"},
        {BinaryBuilder().Ident("clBtnFace").bytes(), "clBtnFace"},
        {BinaryBuilder().Ident("").bytes(), ""},
        {BinaryBuilder().Byte(0x80 | vaTrue).bytes(), "True"}, // identifiers look at seven bits
        {BinaryBuilder().Byte(0x80 | vaIdent).Name("x").bytes(), "x"},
        {BinaryBuilder().Double(0.1).bytes(), "0.100000000000000000"},
        {BinaryBuilder().Double(1.0 / 3).bytes(), "0.333333333333333300"},
        {BinaryBuilder().Double(0).bytes(), "0.000000000000000000"},
        {BinaryBuilder().Double(-0.0).bytes(), "0.000000000000000000"},
        {BinaryBuilder().Double(1e20).bytes(), "1E20"},
        {BinaryBuilder().Double(-2.5).bytes(), "-2.500000000000000000"},
        {BinaryBuilder().Extended("00 00 00 00 00 00 00 80 FF 3F").bytes(), "1.000000000000000000"},
        {BinaryBuilder().Extended("00 00 00 00 00 00 00 C0 00 C0").bytes(), "-3.000000000000000000"},
        {BinaryBuilder().Extended("00 00 00 00 00 00 00 80 FF 7F").bytes(), "INF"},
        {BinaryBuilder().Extended("00 00 00 00 00 00 00 80 FF FF").bytes(), "-INF"},
        {BinaryBuilder().Extended("00 00 00 00 00 00 00 C0 FF 7F").bytes(), "NAN"},
        {BinaryBuilder().Extended("00 00 00 00 00 00 00 00 FF 3F").bytes(), "NAN"}, // unnormal
        {BinaryBuilder().Single(0.1f).bytes(), "0.100000001490116s"},
        {BinaryBuilder().Single(0.001f).bytes(), "0.00100000004749745s"},
        {BinaryBuilder().Single(0.00001f).bytes(), "9.99999974737875E-6s"},
        {BinaryBuilder().Single(0).bytes(), "0s"},
        {BinaryBuilder().Single(std::numeric_limits<float>::infinity()).bytes(), "INFs"},
        {BinaryBuilder().Currency(15000).bytes(), "15000c"},
        {BinaryBuilder().Currency(-1).bytes(), "-1c"},
        {BinaryBuilder().Date(45000.5).bytes(), "45000.5d"},
        {BinaryBuilder().Date(std::nan("")).bytes(), "NANd"},
        {BinaryBuilder().Set({}).bytes(), "[]"},
        {BinaryBuilder().Set({"akLeft", "akTop"}).bytes(), "[akLeft, akTop]"},
        {BinaryBuilder().Byte(0x80 | vaSet).Name("a").End().bytes(), "[a]"},
        {BinaryBuilder().Byte(vaList).End().bytes(), "()"},
        {BinaryBuilder().Byte(vaCollection).End().bytes(), "<>"},
        {BinaryBuilder().Binary({}).bytes(), "{}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.constData());
        EXPECT_EQ(ValueText(c.value), c.text);
    }
}

TEST_F(BinaryToText, WritesStrings)
{
    const QByteArray a64(64, 'a'), a65(65, 'a'), a100(100, 'a'), a128(128, 'a');
    struct Case {
        QByteArray value;
        QByteArray text;
    };
    const Case cases[] = {
        {BinaryBuilder().String("").bytes(), "''"},
        {BinaryBuilder().WString(u"").bytes(), "''"},
        {BinaryBuilder().String("abc").bytes(), "'abc'"},
        {BinaryBuilder().String("it's").bytes(), "'it'#39's'"},
        {BinaryBuilder().String("\r\n").bytes(), "#13#10"},
        {BinaryBuilder().String("a\tb").bytes(), "'a'#9'b'"},
        {BinaryBuilder().String("caf\xE9").bytes(), "'caf\xE9'"},
        {BinaryBuilder().LString("caf\xE9").bytes(), "'caf\xE9'"},
        {BinaryBuilder().WString(u"\u00E9").bytes(), "#233"},
        {BinaryBuilder().WString(u"caf\u00E9").bytes(), "'caf'#233"},
        {BinaryBuilder().Utf8String("caf\xC3\xA9").bytes(), "'caf'#233"},
        {BinaryBuilder().WString(u"\U0001F600").bytes(), "#55357#56832"},
        {BinaryBuilder().WString(u"\u65E5\u672C").bytes(), "#26085#26412"},
        {BinaryBuilder().String(a64).bytes(), "'" + a64 + "'"},
        {BinaryBuilder().LString(a65).bytes(), "\r\n    '" + a64 + "' +\r\n    'a'"},
        {BinaryBuilder().LString(a100).bytes(), "\r\n    '" + a64 + "' +\r\n    '" + a100.left(36) + "'"},
        {BinaryBuilder().LString(a128).bytes(), "\r\n    '" + a64 + "' +\r\n    '" + a64 + "'"},
        // A #-code counts as one unit of the line's 64.
        {BinaryBuilder().LString(QByteArray(63, 'a') + "\r" + QByteArray(2, 'b')).bytes(),
            "\r\n    '" + QByteArray(63, 'a') + "'#13 +\r\n    'bb'"},
        {BinaryBuilder().WString(std::u16string(65, u'\u00E9')).bytes(),
            "\r\n    " + QByteArray("#233").repeated(64) + " +\r\n    #233"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.constData());
        EXPECT_EQ(ValueText(c.value), c.text);
    }
}

// Values whose text used to lose data: the text reads back to the same bytes,
// and no line exceeds what the tokenizer reads.
TEST_F(BinaryToText, TextReadsBackByteForByte)
{
    auto elements = [](int first, int count) {
        QList<QByteArray> names;
        for (int i = first; i < first + count; ++i)
            names.append("Element" + QByteArray::number(i).rightJustified(3, '0'));
        return names;
    };
    auto set = [](const QList<QByteArray>& names) {
        BinaryBuilder b;
        b.Byte(vaSet);
        for (const QByteArray& n : names)
            b.Name(n);
        return b.End().bytes();
    };
    // "  P = [" and 340 elements of 10 bytes make a line of 4086 bytes with its
    // comma; one more element would carry it past 4094 with the CR.
    const QByteArray longSetText =
        "[" + elements(0, 340).join(", ") + ",\r\n    " + elements(340, 260).join(", ") + "]";
    struct Case {
        const char* name;
        QByteArray value;
        QByteArray text; /* empty: not checked */
    };
    const Case cases[] = {
        {"U+FEFF first in a UTF-8 string",
            BinaryBuilder()
                .Utf8String("\xEF\xBB\xBF"
                            "ab\xC3\xA9")
                .bytes(),
            "#65279'ab'#233"},
        {"U+FEFF alone", BinaryBuilder().WString(u"\uFEFF").bytes(), "#65279"},
        {"largest currency", BinaryBuilder().Currency(std::numeric_limits<int64_t>::max()).bytes(),
            "9223372036854775807c"},
        {"smallest currency", BinaryBuilder().Currency(std::numeric_limits<int64_t>::min()).bytes(),
            "-9223372036854775808c"},
        {"currency of 19 digits", BinaryBuilder().Currency(1234567890123456789).bytes(), "1234567890123456789c"},
        {"currency of 15 digits", BinaryBuilder().Currency(123456789012345).bytes(), "123456789012345c"},
        {"currency that 15 digits hold", BinaryBuilder().Currency(1000000000000000000).bytes(), "1E18c"},
        {"long set", set(elements(0, 600)), longSetText},
        {"long set in nested lists",
            BinaryBuilder().Byte(vaList).Byte(vaList).Raw(set(elements(0, 1000))).End().End().bytes(), ""},
        {"set of long names", set(QList<QByteArray>(40, QByteArray(250, 'n'))), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray form = Form(BinaryBuilder().Prop("P").Raw(c.value).bytes());
        const QByteArray text = Convert(form);
        if (!c.text.isEmpty()) {
            EXPECT_EQ(ValueText(c.value), c.text);
        }
        for (const QByteArray& line : text.split('\n'))
            EXPECT_LE(line.size(), 4094);
        ByteStream in(text);
        ByteStream back;
        TextToStream(in, back);
        EXPECT_EQ(back.data(), form);
    }
}

TEST_F(BinaryToText, LongStringInListStartsOneLevelDeeper)
{
    const QByteArray a65(65, 'a');
    EXPECT_EQ(ValueText(BinaryBuilder().Byte(vaList).LString(a65).End().bytes()),
        "(\r\n    \r\n      '" + a65.left(64) + "' +\r\n      'a')");
}

TEST_F(BinaryToText, WritesBinaryDataInChunksOf32Bytes)
{
    auto bytes = [](int n) {
        QByteArray b;
        for (int i = 0; i < n; ++i)
            b.append(char(i * 7 + 0xA0));
        return b;
    };
    struct Case {
        int n;
        QByteArray text;
    };
    const Case cases[] = {
        {1, "{A0}"},
        {31, "{" + bytes(31).toHex().toUpper() + "}"},
        {32, "{\r\n    " + bytes(32).toHex().toUpper() + "}"},
        {33, "{\r\n    " + bytes(32).toHex().toUpper() + "\r\n    " + bytes(33).mid(32).toHex().toUpper() + "}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(ValueText(BinaryBuilder().Binary(bytes(c.n)).bytes()), c.text);
    }
}

TEST_F(BinaryToText, NestsCollectionsAndLists)
{
    const QByteArray props = BinaryBuilder()
                                 .Prop("C")
                                 .Byte(vaCollection)
                                 .Byte(vaList)
                                 .Prop("Inner")
                                 .Byte(vaCollection)
                                 .Int(-1)
                                 .Byte(vaList)
                                 .Prop("L")
                                 .Byte(vaList)
                                 .Int(1)
                                 .Byte(vaList)
                                 .End()
                                 .End()
                                 .End()
                                 .End()
                                 .End()
                                 .End()
                                 .bytes();
    EXPECT_EQ(Convert(Form(props)),
        FormText("  C = <\r\n"
                 "    item\r\n"
                 "      Inner = <\r\n"
                 "        item [-1]\r\n"
                 "          L = (\r\n"
                 "            1\r\n"
                 "            ())\r\n"
                 "        end>\r\n"
                 "    end>\r\n"));
}

TEST_F(BinaryToText, NonAsciiNamesStartTheTextWithAByteOrderMark)
{
    // é in a property name: the name is UTF-8; the vaString content is ANSI (E9)
    // but under the mark it is written as UTF-8 so the whole text stays valid UTF-8.
    const QByteArray withMark = Form(BinaryBuilder().Prop("Caf\xC3\xA9").String("\xE9").bytes());
    EXPECT_EQ(Convert(withMark), "\xEF\xBB\xBF" + FormText("  Caf\xC3\xA9 = '\xC3\xA9'\r\n"));

    // The string comes first and the name later: both passes agree.
    const QByteArray nameLater = BinaryBuilder()
                                     .Signature()
                                     .Object("TForm1", "Form1")
                                     .Prop("A")
                                     .String("\xE9")
                                     .End()
                                     .Object("TButton", "B\xC3\xA9")
                                     .End()
                                     .End()
                                     .End()
                                     .bytes();
    EXPECT_EQ(Convert(nameLater),
        "\xEF\xBB\xBF"
        "object Form1: TForm1\r\n  A = '\xC3\xA9'\r\n"
        "  object B\xC3\xA9: TButton\r\n  end\r\nend\r\n");

    // Without a non-ASCII name the ANSI bytes stay raw.
    EXPECT_EQ(Convert(Form(BinaryBuilder().Prop("A").LString("\xE9").bytes())), FormText("  A = '\xE9'\r\n"));
    // Identifier and set element names count as names too.
    EXPECT_EQ(Convert(Form(BinaryBuilder().Prop("A").Ident("\xC3\xA9").bytes())),
        "\xEF\xBB\xBF" + FormText("  A = \xC3\xA9\r\n"));
    EXPECT_EQ(Convert(Form(BinaryBuilder().Prop("A").Set({"\xC3\xA9"}).bytes())),
        "\xEF\xBB\xBF" + FormText("  A = [\xC3\xA9]\r\n"));
    // Invalid UTF-8 in a name is decoded with replacement characters.
    EXPECT_EQ(Convert(Form(BinaryBuilder().Prop("A").Ident("\xFF").bytes())),
        "\xEF\xBB\xBF" + FormText("  A = \xEF\xBF\xBD\r\n"));
}

TEST_F(BinaryToText, AnsiStringsKeepEveryByte)
{
    // cp932: 93FA967B is 日本, 80 and A0 are bytes the code page does not decode.
    ansi::setActiveCodePage(932);
    const QByteArray bytes = "\x93\xFA\x96\x7B\x80'\xA0";
    EXPECT_EQ(Convert(Form(BinaryBuilder().Prop("A").String(bytes).bytes())),
        FormText("  A = '\x93\xFA\x96\x7B\x80'#39'\xA0'\r\n"));
    // Under a byte-order mark characters become UTF-8; a string with undecodable bytes
    // is all #-codes (a lone surrogate maps back to its byte when written as ANSI).
    EXPECT_EQ(Convert(Form(BinaryBuilder().Prop("\xC3\xA9").String("\x93\xFA'").Prop("B").String(bytes).bytes())),
        "\xEF\xBB\xBF"
            + FormText("  \xC3\xA9 = '\xE6\x97\xA5'#39\r\n"
                       "  B = #26085#26412#56448#39#56480\r\n"));
    // A long ANSI string wraps after 64 characters, not 64 bytes.
    const QByteArray kanji = QByteArray("\x93\xFA").repeated(65);
    EXPECT_EQ(
        ValueText(BinaryBuilder().LString(kanji).bytes()), "\r\n    '" + kanji.left(128) + "' +\r\n    '\x93\xFA'");
}

TEST_F(BinaryToText, ReportsAnUnknownTagWithTheObjectAndPropertyNames)
{
    struct Case {
        QByteArray stream;
        QByteArray error;
    };
    const Case cases[] = {
        {Form(BinaryBuilder().Prop("Caption").Byte(22).bytes()), "EReadError: Form1.Caption の読み取り中のエラー : 22"},
        {Form(BinaryBuilder().Prop("Caption").Byte(0xFF).bytes()),
            "EReadError: Form1.Caption の読み取り中のエラー : 127"},
        {BinaryBuilder().Signature().Object("TFoo", "").Prop("A").Byte(vaList).Byte(40).bytes(),
            "EReadError: TFoo.A の読み取り中のエラー : 40"},
        {BinaryBuilder()
                .Signature()
                .Object("TFoo", "")
                .Prop("A")
                .Int(1)
                .End()
                .Object("TBar", "Bar1")
                .Prop("B")
                .Byte(vaCollection)
                .Byte(vaList)
                .Prop("W")
                .Byte(99)
                .bytes(),
            "EReadError: Bar1.W の読み取り中のエラー : 99"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error.constData());
        EXPECT_EQ(Convert(c.stream), c.error);
    }
}

TEST_F(BinaryToText, RejectsMalformedStreams)
{
    const QByteArray readError = "EReadError: ストリームからの読み取りエラー";
    const QByteArray invalid = "EReadError: プロパティ値が無効です";
    struct Case {
        QByteArray stream;
        QByteArray error;
    };
    const Case cases[] = {
        {"", readError},
        {"TPF1", "EReadError: ストリーム形式が無効です"},
        {Form(BinaryBuilder().Prop("A").Byte(0x82).Byte(1).bytes()), invalid},   // high bit on an integer
        {Form(BinaryBuilder().Prop("A").Byte(0x86).Name("x").bytes()), invalid}, // and on a string
        {Form(BinaryBuilder().Prop("A").Byte(0x95).Le(0, 8).bytes()), invalid},
        {Form(BinaryBuilder().Prop("A").Byte(vaCollection).Int64(1).Byte(vaList).End().End().bytes()), invalid},
        {BinaryBuilder().Signature().Object("T", "").Prop("A").Byte(vaCollection).Byte(vaInt8).bytes(), readError},
        {Form(BinaryBuilder().Prop("A").Byte(vaCollection).Ident("x").bytes()), invalid},
        {BinaryBuilder().Signature().Byte(0xF2).Byte(vaString).bytes(), invalid}, // position not an integer
        // Length fields far beyond the bytes that are left, or negative.
        {Form(BinaryBuilder().Prop("A").Byte(vaBinary).Le(0x7FFFFFFF, 4).bytes()), readError},
        {Form(BinaryBuilder().Prop("A").Byte(vaBinary).Le(0xFFFFFFFF, 4).bytes()), readError},
        {Form(BinaryBuilder().Prop("A").Byte(vaLString).Le(0x7FFFFFFF, 4).bytes()), readError},
        {Form(BinaryBuilder().Prop("A").Byte(vaLString).Le(0x80000000, 4).bytes()), readError},
        {Form(BinaryBuilder().Prop("A").Byte(vaWString).Le(0x40000000, 4).bytes()), readError},
        {Form(BinaryBuilder().Prop("A").Byte(vaWString).Le(0xFFFFFFFF, 4).bytes()), readError},
        {Form(BinaryBuilder().Prop("A").Byte(vaUTF8String).Le(0x7FFFFFFF, 4).bytes()), readError},
        {Form(BinaryBuilder().Prop("A").Byte(vaWString).Le(3, 4).Raw("abcd").bytes()), readError},
        {Form(BinaryBuilder().Prop("A").Byte(vaString).Byte(200).Raw("abc").bytes()), readError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stream.toHex(' ').constData());
        EXPECT_EQ(Convert(c.stream), c.error);
    }
}

TEST_F(BinaryToText, EveryTruncationFailsWithAReadError)
{
    const QByteArray full = BinaryBuilder()
                                .Signature()
                                .Object("TForm1", "Form1", ffChildPos, 300)
                                .Prop("S")
                                .LString("abc")
                                .Prop("W")
                                .WString(u"x")
                                .Prop("U")
                                .Utf8String("y")
                                .Prop("B")
                                .Binary(QByteArray(40, 'z'))
                                .Prop("E")
                                .Extended("00 00 00 00 00 00 00 80 FF 3F")
                                .Prop("D")
                                .Double(1)
                                .Prop("F")
                                .Single(1)
                                .Prop("C")
                                .Currency(1)
                                .Prop("T")
                                .Date(1)
                                .Prop("I")
                                .Int(100000)
                                .Prop("J")
                                .Int64(INT64_MAX)
                                .Prop("K")
                                .Set({"a"})
                                .Prop("L")
                                .Byte(vaList)
                                .Ident("x")
                                .End()
                                .Prop("M")
                                .Byte(vaCollection)
                                .Int(3)
                                .Byte(vaList)
                                .Prop("N")
                                .Int(1)
                                .End()
                                .End()
                                .End()
                                .Object("TB", "B")
                                .End()
                                .End()
                                .End()
                                .bytes();
    ASSERT_FALSE(Convert(full).startsWith("E"));
    for (int n = 0; n < full.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(Convert(full.left(n)), "EReadError: ストリームからの読み取りエラー");
    }
    // Bytes after the root object are ignored.
    EXPECT_EQ(Convert(full + "garbage"), Convert(full));
}

// A chain of `objects` nested objects whose innermost one holds a value nested
// `values` levels deep: lists, or lists and collections in turn.
QByteArray Nested(int objects, int values, bool alternate)
{
    BinaryBuilder b;
    b.Signature();
    for (int i = 0; i < objects; ++i) {
        b.Object("TA", "");
        if (i + 1 < objects)
            b.End();
    }
    QByteArray closing;
    bool valuePending = values > 0;
    if (values > 0)
        b.Prop("P");
    for (int v = 0; v < values; ++v) {
        if (!alternate || v % 2 == 0) {
            b.Byte(vaList);
            closing.prepend('\0');
            valuePending = false;
        } else {
            b.Byte(vaCollection).Byte(vaList).Prop("P");
            closing.prepend(QByteArray(2, '\0'));
            valuePending = true;
        }
    }
    if (valuePending)
        b.Int(0);
    b.Raw(closing).End();
    for (int i = 0; i < objects; ++i)
        b.End();
    return b.bytes();
}

TEST_F(BinaryToText, RefusesNestingBeyondTheLimit)
{
    const QByteArray deep = "EReadError: 入れ子が深すぎます";
    struct Case {
        int objects, values;
        bool alternate;
    };
    const Case cases[] = {{kMaxNestingDepth, 0, false}, {1, kMaxNestingDepth - 1, false},
        {1, kMaxNestingDepth - 1, true}, {500, 500, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.objects << " " << c.values << " " << c.alternate);
        EXPECT_TRUE(Convert(Nested(c.objects, c.values, c.alternate)).endsWith("end\r\n"));
        EXPECT_EQ(Convert(Nested(c.objects + 1, c.values, c.alternate)), deep);
        if (c.values > 0) {
            EXPECT_EQ(Convert(Nested(c.objects, c.values + 1, c.alternate)), deep);
        }
    }
}

TEST_F(BinaryToText, DeepIndentationCannotInflateTheTextWithoutBound)
{
    // 100,000 one-byte values: at 900 levels each would take a line of 1,800 blanks.
    auto listsOfTrue = [](int depth) {
        BinaryBuilder b;
        b.Signature().Object("T", "").Prop("P");
        for (int i = 1; i < depth; ++i)
            b.Byte(vaList);
        b.Raw(QByteArray(100000, char(vaTrue)));
        return b.Raw(QByteArray(depth + 2, '\0')).bytes();
    };
    EXPECT_TRUE(Convert(listsOfTrue(20)).endsWith("end\r\n"));
    EXPECT_EQ(Convert(listsOfTrue(900)), "EReadError: 入れ子が深すぎます");
}

TEST_F(BinaryToText, AHundredThousandLevelsFailFast)
{
    BinaryBuilder objects;
    objects.Signature();
    for (int i = 0; i < 100000; ++i)
        objects.Object("T", "").End();
    BinaryBuilder lists;
    lists.Signature().Object("T", "").Prop("P");
    for (int i = 0; i < 100000; ++i)
        lists.Byte(vaList);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Convert(objects.bytes()), "EReadError: 入れ子が深すぎます");
    EXPECT_EQ(Convert(lists.bytes()), "EReadError: 入れ子が深すぎます");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(BinaryToText, ReadsBothResourceHeaders)
{
    const QByteArray stream = BinaryBuilder().Signature().Object("TFoo", "").End().End().bytes();
    BinaryBuilder header32;
    header32.Hex("00000000 20000000 FFFF0000 FFFF0000 00000000 00000000 00000000 00000000")
        .Le(uint64_t(stream.size()), 4)
        .Le(30 + 8, 4)
        .Hex("FFFF 0A00")
        .Hex("5400 4600 4F00 4F00 0000")
        .Le(0, 4)
        .Le(0, 2)
        .Hex("0904")
        .Le(0, 4)
        .Le(0, 4);
    for (const QByteArray& file :
        {BinaryBuilder::Header16("TFOO", uint32_t(stream.size())) + stream, header32.bytes() + stream}) {
        ByteStream in(file), out;
        BinaryResourceToText(in, out);
        EXPECT_EQ(out.data(), "object TFoo\r\nend\r\n");
        EXPECT_EQ(out.position(), out.size());
    }
    ByteStream bare(stream), out;
    EXPECT_KORVEL_ERROR(
        BinaryResourceToText(bare, out), EInvalidImage, QString::fromUtf16(u"ストリーム形式が無効です"));
}

TEST_F(BinaryToText, AppendsToTheOutputAtItsPosition)
{
    const QByteArray stream = BinaryBuilder().Signature().Object("TFoo", "").End().End().bytes();
    ByteStream in(stream), out(QByteArray("head:"));
    out.seek(5);
    BinaryStreamToText(in, out);
    EXPECT_EQ(out.data(), "head:object TFoo\r\nend\r\n");
    EXPECT_EQ(in.position(), stream.size());
}

TEST(BinaryToTextCorpus, ConvertsEveryReadableBinaryForm)
{
    KORVEL_NEEDS_CORPUS();
    const QDir dir(QStringLiteral(KORVEL_CORPUS_DIR));
    int converted = 0;
    int refused = 0;
    for (const QString& folder : {QStringLiteral("binary"), QStringLiteral("xfm"), QStringLiteral("malformed")}) {
        for (const QFileInfo& fi : QDir(dir.filePath(folder)).entryInfoList(QDir::Files)) {
            QFile f(fi.filePath());
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            ByteStream in(f.readAll());
            if (DetectStreamFormat(in) != sofBinary)
                continue;
            SCOPED_TRACE(fi.fileName().toStdString());
            ByteStream out;
            const bool bare = in.data().startsWith("TPF0");
            try {
                if (bare)
                    BinaryStreamToText(in, out);
                else
                    BinaryResourceToText(in, out);
                EXPECT_NE(folder, QStringLiteral("malformed"));
                EXPECT_TRUE(out.data().startsWith("object ") || out.data().startsWith("\xEF\xBB\xBF")
                    || out.data().startsWith("inherited ") || out.data().startsWith("inline "));
                EXPECT_TRUE(out.data().endsWith("end\r\n"));
                ++converted;
            } catch (const EKorvelError& e) {
                EXPECT_EQ(folder, QStringLiteral("malformed")) << e.kind() << ": " << e.what();
                EXPECT_TRUE(out.data().isEmpty());
                ++refused;
            }
        }
    }
    std::printf("binary corpus forms: %d converted, %d refused (malformed)\n", converted, refused);
    EXPECT_GT(converted, 100);
}

} // namespace
