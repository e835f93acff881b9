#include "document/TextDecoding.h"

#include "document/support/DocumentTestUtil.h"

#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::test;

namespace {

// "<line><line>…" with non-ASCII code units written as \uXXXX, so every line
// and every code unit shows.
std::string show(const QStringList& lines)
{
    std::string out;
    for (const QString& l : lines) {
        out += '<';
        for (QChar c : l) {
            if (c.unicode() >= 0x20 && c.unicode() < 0x7F) {
                out += char(c.unicode());
            } else {
                static const char digits[] = "0123456789ABCDEF";
                out += "\\u";
                for (int shift = 12; shift >= 0; shift -= 4)
                    out += digits[(c.unicode() >> shift) & 0xF];
            }
        }
        out += '>';
    }
    return out;
}

enum class Rule { Bom, Utf8, Ansi };

struct DecodeCase {
    const char* name;
    Rule rule;
    int codePage;
    QByteArray bytes;
    const char* expected;
};

class DecodeLinesTest : public ::testing::TestWithParam<DecodeCase> { };

TEST_P(DecodeLinesTest, Decodes)
{
    const DecodeCase& c = GetParam();
    CodePageScope cp(c.codePage);
    QStringList lines;
    switch (c.rule) {
    case Rule::Bom:
        lines = DecodeLinesWithBom(c.bytes);
        break;
    case Rule::Utf8:
        lines = DecodeLinesUtf8(c.bytes);
        break;
    case Rule::Ansi:
        lines = DecodeLinesAnsi(c.bytes);
        break;
    }
    EXPECT_EQ(show(lines), c.expected);
}

QByteArray B(const char* s, size_t n)
{
    return QByteArray(s, qsizetype(n));
}
#define BYTES(s) B(s, sizeof(s) - 1)

const DecodeCase kDecodeCases[] = {
    {"Empty", Rule::Bom, 1252, "", ""},
    {"CrLf", Rule::Bom, 1252, "a\r\nb", "<a><b>"},
    {"LfOnly", Rule::Bom, 1252, "a\nb\n", "<a><b>"},
    {"CrOnly", Rule::Bom, 1252, "a\rb\r", "<a><b>"},
    {"LfCrIsTwoBreaks", Rule::Bom, 1252, "a\n\rb", "<a><><b>"},
    {"TrailingEmptyLine", Rule::Bom, 1252, "a\r\n\r\n", "<a><>"},
    {"OnlyABreak", Rule::Bom, 1252, "\r\n", "<>"},
    {"NulEndsText", Rule::Bom, 1252, BYTES("a\0b\r\nc"), "<a>"},
    {"NulAfterBreak", Rule::Bom, 1252, BYTES("a\r\n\0b"), "<a>"},
    {"NulFirst", Rule::Bom, 1252, BYTES("\0a"), ""},
    {"ControlCodesStay", Rule::Bom, 1252, "\ta\x01\x0c", "<\\u0009a\\u0001\\u000C>"},
    {"Ansi1252", Rule::Bom, 1252, "caf\xe9\r\n\x80", "<caf\\u00E9><\\u20AC>"},
    {"Ansi932", Rule::Bom, 932, "\x82\xa0\x82\xa2\r\nx", "<\\u3042\\u3044><x>"},
    {"Ansi932TruncatedLead", Rule::Bom, 932, "\x82\r\n", "<\\uDC82>"},
    {"Ansi1252C1", Rule::Ansi, 1252, "\x81", "<\\u0081>"},
    {"Utf8Mark", Rule::Bom, 932, "\xEF\xBB\xBF\xC3\xA9\r\n", "<\\u00E9>"},
    {"Utf8MarkInvalid", Rule::Bom, 1252,
        "\xEF\xBB\xBF"
        "a\r\n\xC3",
        ""},
    {"Utf16Le", Rule::Bom, 1252,
        BYTES("\xFF\xFE"
              "a\0\r\0\n\0\x42\x30"),
        "<a><\\u3042>"},
    {"Utf16Be", Rule::Bom, 1252, BYTES("\xFE\xFF\0a\0\n\xD8\x3D\xDE\x00"), "<a><\\uD83D\\uDE00>"},
    {"Utf16BeNul", Rule::Bom, 1252, BYTES("\xFE\xFF\0a\0\0\0b"), "<a>"},
    {"Utf8SkipsOneMark", Rule::Utf8, 1252,
        "\xEF\xBB\xBF\xEF\xBB\xBF"
        "a",
        "<\\uFEFFa>"},
    {"Utf8WithoutMark", Rule::Utf8, 1252, "\xE3\x81\x82\nb", "<\\u3042><b>"},
    {"Utf8Overlong", Rule::Utf8, 1252, "ok\r\n\xC0\xAF", ""},
    {"Utf8Surrogate", Rule::Utf8, 1252, "\xED\xA0\x80", ""},
    {"Utf8BrokenByBreak", Rule::Utf8, 1252, "\xE3\x81\r\n\x82", ""},
    {"Utf8InvalidAfterNul", Rule::Utf8, 1252, BYTES("a\0\xFF"), ""},
    {"Utf8ValidAfterNul", Rule::Utf8, 1252, BYTES("a\0\xC3\xA9"), "<a>"},
    {"Utf8MarkMidLineKept", Rule::Utf8, 1252,
        "a\r\n\xEF\xBB\xBF"
        "b",
        "<a><\\uFEFFb>"},
};

INSTANTIATE_TEST_SUITE_P(TextDecoding, DecodeLinesTest, ::testing::ValuesIn(kDecodeCases),
    [](const auto& test) { return std::string(test.param.name); });

TEST(TextDecoding, SplitLines)
{
    EXPECT_EQ(show(SplitLines(u"a\r\nb\rc\nd")), "<a><b><c><d>");
    EXPECT_EQ(show(SplitLines(u"")), "");
    EXPECT_EQ(show(SplitLines(u"\n\n")), "<><>");
    EXPECT_EQ(show(SplitLines(QStringView(u"x\0y", 3))), "<x>");
}

// The loaded text as one buffer with a line index: the same lines, losses and
// line numbers whether the bytes are kept (ASCII) or decoded into UTF-16.
struct BufferCase {
    const char* name;
    TTextEncoding encoding;
    QByteArray bytes;
    const char* expected;
    const char* losses; // "line:kind" for each loss, kind n (NUL), u (UTF-8), o (odd byte)
    bool keptAsBytes;
};

const BufferCase kBufferCases[] = {
    {"AsciiCrLf", TTextEncoding::tenAnsi, "a\r\nb\r\n", "<a><b>", "", true},
    {"MixedBreaks", TTextEncoding::tenAnsi, "a\rb\nc\r\r\nd", "<a><b><c><><d>", "", true},
    {"BreaksOnly", TTextEncoding::tenAnsi, "\n\r\n\r", "<><><>", "", true},
    {"Empty", TTextEncoding::tenAnsi, "", "", "", true},
    {"NulInLine", TTextEncoding::tenAnsi, BYTES("ab\0cd\r\nx"), "<ab>", "1:n", true},
    {"NulAtLineStart", TTextEncoding::tenAnsi, BYTES("a\r\n\0b"), "<a>", "2:n", true},
    {"NulAfterCr", TTextEncoding::tenAnsi, BYTES("a\r\0"), "<a>", "2:n", true},
    {"Utf8MarkAscii", TTextEncoding::tenUtf8Bom,
        "\xEF\xBB\xBF"
        "a\r\nb",
        "<a><b>", "", true},
    {"Utf8Invalid", TTextEncoding::tenUtf8Bom,
        "\xEF\xBB\xBF"
        "a\r\n\xFF"
        "b\r\n\xC3\xA9\r\n",
        "<a><\\uFFFDb><\\u00E9>", "2:u", false},
    {"AnsiNonAscii", TTextEncoding::tenAnsi, "x\r\n\xE9\r\n\r\ny", "<x><\\u00E9><><y>", "", false},
    {"AnsiNonAsciiThenNul", TTextEncoding::tenAnsi, BYTES("\xE9\r\nab\0c\xE9"), "<\\u00E9><ab>", "2:n", false},
    {"Utf16", TTextEncoding::tenUtf16LE,
        BYTES("\xFF\xFE"
              "a\0\r\0\n\0\r\0b\0"),
        "<a><><b>", "", false},
    {"Utf16OddByte", TTextEncoding::tenUtf16BE, BYTES("\xFE\xFF\0a\0b\0"), "<ab>", "1:o", false},
    {"Utf16Nul", TTextEncoding::tenUtf16LE,
        BYTES("\xFF\xFE"
              "a\0\n\0\0\0b\0"),
        "<a>", "2:n", false},
};

class DecodeTextLinesTest : public ::testing::TestWithParam<BufferCase> { };

TEST_P(DecodeTextLinesTest, IndexesOneBuffer)
{
    const BufferCase& c = GetParam();
    CodePageScope cp(1252);
    std::vector<TLineLoss> losses;
    const TTextLines lines = DecodeTextLines(c.bytes, c.encoding, losses);
    EXPECT_EQ(show(lines.toStringList()), c.expected);
    EXPECT_EQ(lines.isLatin1(), c.keptAsBytes);
    std::string lossText;
    for (const TLineLoss& l : losses)
        lossText += std::to_string(l.Line) + ':'
            + (l.Kind == TLineLossKind::llkNul                ? 'n'
                    : l.Kind == TLineLossKind::llkInvalidUtf8 ? 'u'
                                                              : 'o');
    EXPECT_EQ(lossText, c.losses);
    // Every way of reading a line gives the same text, and a copy of the list compares equal.
    std::u16string scratch;
    for (qsizetype i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines.line(i, scratch).toString(), lines.at(i));
    EXPECT_TRUE(lines == TTextLines(lines.toStringList()));
}

INSTANTIATE_TEST_SUITE_P(TextDecoding, DecodeTextLinesTest, ::testing::ValuesIn(kBufferCases),
    [](const auto& test) { return std::string(test.param.name); });

// Long texts, so that breaks fall on every position of the blocks the index
// scans at a time: the same lines as the line-by-line decoder gives.
TEST(TextDecoding, BufferMatchesLineDecoderOnLongTexts)
{
    CodePageScope cp(1252);
    const char alphabet[] = {'a', 'b', '\r', '\n', ' ', '\xE9'};
    uint32_t seed = 12345;
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes;
        const int length = 1 + round * 7;
        for (int i = 0; i < length; ++i) {
            seed = seed * 1103515245u + 12345u;
            // Non-ASCII in every other round only, so both ways of holding lines are checked.
            bytes.append(alphabet[(seed >> 16) % (round % 2 ? 6 : 5)]);
        }
        if (round % 10 == 9)
            bytes[length / 2] = '\0';
        std::vector<TLineLoss> losses;
        const TTextLines lines = DecodeTextLines(bytes, TTextEncoding::tenAnsi, losses);
        ASSERT_EQ(show(lines.toStringList()), show(DecodeLinesAnsi(bytes))) << round;
    }
}

TEST(TextDecoding, ContainsNonAscii)
{
    EXPECT_FALSE(ContainsNonAscii(QByteArrayView("")));
    EXPECT_FALSE(ContainsNonAscii(QByteArrayView("\x7F\x01 abc")));
    EXPECT_TRUE(ContainsNonAscii(QByteArrayView("abc\x80")));
    QByteArray big(100000, 'a');
    big[99999] = char(0xFF);
    EXPECT_TRUE(ContainsNonAscii(QByteArrayView(big)));
    ByteStream s(big);
    s.seek(500);
    EXPECT_TRUE(ContainsNonAscii(s)); // looks at the whole buffer
    EXPECT_EQ(s.position(), 0);
}

} // namespace
