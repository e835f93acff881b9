#include "convert/Parser.h"
#include "convert/support/TextFormSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <random>

using namespace korvel;
using korvel::test::CodePageScope;
using korvel::test::Describe;

namespace {

// A string value with code units below 32 or above 126 written as #n.
std::string Quote(const QString& s)
{
    std::string out = "[";
    for (QChar c : s) {
        if (c.unicode() < 32 || c.unicode() > 126)
            out += "#" + std::to_string(c.unicode());
        else
            out += char(c.unicode());
    }
    return out + "]";
}

// One token in dump form: sym:Name, str:[value], wstr:[value], int:text,
// float:text/suffix, char:c (or char:#n beyond ASCII), end.
std::string DumpToken(const TParser& p)
{
    switch (p.Token()) {
    case tokEndOfInput:
        return "end";
    case tokSymbol:
        return "sym:" + p.TokenString().toStdString();
    case tokString:
        return "str:" + Quote(p.TokenWideString());
    case tokWideString:
        return "wstr:" + Quote(p.TokenWideString());
    case tokInteger:
        return "int:" + p.TokenString().toStdString();
    case tokFloat:
        return "float:" + p.TokenString().toStdString()
            + (p.FloatType() ? std::string("/") + char(p.FloatType()) : std::string());
    default:
        if (p.Token() > 32 && p.Token() < 127)
            return std::string("char:") + char(p.Token());
        return "char:#" + std::to_string(p.Token());
    }
}

// Every token of the text up to the end, blank-separated, or "kind: message".
// withLines appends "@line" to each token.
std::string Tokens(const QByteArray& text, bool withLines = false)
{
    ByteStream stream(text);
    std::string out;
    try {
        TParser p(stream);
        for (int guard = 0; guard < 200; ++guard) {
            if (!out.empty())
                out += ' ';
            out += DumpToken(p);
            if (withLines)
                out += "@" + std::to_string(p.SourceLine());
            if (p.Token() == tokEndOfInput)
                return out;
            p.NextToken();
        }
        return out + " ...";
    } catch (const EKorvelError& e) {
        return (out.empty() ? "" : out + " ") + Describe(e);
    }
}

struct TokenCase {
    const char* name;
    QByteArray text;
    std::string expected;
};

class ParserTokens : public ::testing::TestWithParam<TokenCase> { };

TEST_P(ParserTokens, Scans)
{
    const CodePageScope cp(1252);
    EXPECT_EQ(Tokens(GetParam().text), GetParam().expected) << GetParam().name;
}

const QByteArray kBom("\xEF\xBB\xBF");

INSTANTIATE_TEST_SUITE_P(Cases, ParserTokens,
    ::testing::Values(TokenCase{"empty", "", "end"}, TokenCase{"blanks only", " \t\r\n\x01\x1A ", "end"},
        TokenCase{
            "header", "object Form1: TForm1 [2]", "sym:object sym:Form1 char:: sym:TForm1 char:[ int:2 char:] end"},
        TokenCase{"dotted name is three tokens", "Font.Name = 'x'", "sym:Font char:. sym:Name char:= str:[x] end"},
        TokenCase{"identifier with digits", "_a1b2 x9", "sym:_a1b2 sym:x9 end"},
        TokenCase{"doubled apostrophe", "'It''s'", "str:[It's] end"},
        TokenCase{"codes and quotes join", "'Line'#13#10'two'", "str:[Line#13#10two] end"},
        TokenCase{"wide by a code above 127", "#200'x'", "wstr:[#200x] end"},
        TokenCase{"code 127 stays narrow", "#127", "str:[#127] end"},
        TokenCase{"codes are decimal only", "#$41", "str:[#0] int:$41 end"},
        TokenCase{"bare hash is code 0", "#", "str:[#0] end"}, TokenCase{"empty quotes", "''", "str:[] end"},
        TokenCase{"blank ends a string", "'a' 'b'", "str:[a] str:[b] end"},
        TokenCase{"plus between strings", "'a' + 'b'", "str:[a] char:+ str:[b] end"},
        TokenCase{"code cut to 16 bits", "#65601", "wstr:[A] end"},
        TokenCase{"ansi quoted byte is one char", "'\xE9'", "str:[#233] end"},
        TokenCase{"wide string keeps quoted bytes as units", "'\xE9'#300", "wstr:[#233#300] end"},
        TokenCase{"float suffix s", "12s", "float:12s/s end"}, TokenCase{"float with point", "1.5", "float:1.5 end"},
        TokenCase{"integer", "100", "int:100 end"}, TokenCase{"negative integer", "-5", "int:-5 end"},
        TokenCase{"hex integer", "$FF $", "int:$FF int:$ end"},
        TokenCase{"exponent", "1E5 1e-5 2.5E+10d", "float:1E5 float:1e-5 float:2.5E+10d/d end"},
        TokenCase{"lone minus", "-", "int:- end"}, TokenCase{"leading point", ".5", "char:. int:5 end"},
        TokenCase{
            "currency and f suffix", "15000c 1.5f 3S 7D", "float:15000c/c float:1.5f/f float:3S/S float:7D/D end"},
        TokenCase{"run after digits", "1+2 1.2.3 --5", "float:1+2 float:1.2.3 float:--5 end"},
        TokenCase{"suffix ends the number", "12sx", "float:12s/s sym:x end"},
        TokenCase{"punctuation", "=()<>[]{},.:+;",
            "char:= char:( char:) char:< char:> char:[ char:] char:{ char:} char:, char:. char:: char:+ char:; end"},
        TokenCase{"ansi identifier stops at a high byte",
            "ab\xE9"
            "cd",
            "sym:ab char:#233 sym:cd end"},
        TokenCase{"utf8 letters of any script", kBom + "n\xC3\xA4me \xE5\x90\x8D\xE5\x89\x8D",
            "sym:n\xC3\xA4me sym:\xE5\x90\x8D\xE5\x89\x8D end"},
        TokenCase{"utf8 combining mark continues",
            kBom
                + "a\xCC\x81"
                  "b",
            "sym:a\xCC\x81"
            "b end"},
        TokenCase{"utf8 combining mark cannot start", kBom + "\xCC\x81x", "char:#204 char:#129 sym:x end"},
        TokenCase{"utf8 other digits continue", kBom + "a\xD9\xA3", "sym:a\xD9\xA3 end"},
        TokenCase{"utf8 symbol is one byte per token", kBom + "\xE2\x82\xAC", "char:#226 char:#130 char:#172 end"},
        TokenCase{"utf8 invalid sequence", kBom + "a\xC3(", "sym:a char:#195 char:( end"},
        TokenCase{"utf8 overlong form", kBom + "\xE0\x80\x80", "char:#224 char:#128 char:#128 end"},
        TokenCase{"utf8 narrow string decoded", kBom + "'\xC3\xA9'", "str:[#233] end"},
        TokenCase{"utf8 wide string keeps bytes", kBom + "'\xC3\xA9'#300", "wstr:[#195#169#300] end"},
        TokenCase{"nul ends the text", QByteArray("a \0 b", 5), "sym:a end"},
        TokenCase{"nul ends an identifier", QByteArray("ab\0cd", 5), "sym:ab end"},
        TokenCase{"unclosed string", "x\r\ny\r\n'abc\r\n", "sym:x sym:y EParserError: 3 行目: 文字列定数が無効です"},
        TokenCase{"string hits end of text", "'abc", "EParserError: 1 行目: 文字列定数が無効です"},
        TokenCase{"nul inside a string", QByteArray("'a\0b'", 5), "EParserError: 1 行目: 文字列定数が無効です"},
        TokenCase{"carriage return inside a string", "'a\rb'", "EParserError: 1 行目: 文字列定数が無効です"},
        TokenCase{"utf16le bom", "\xFF\xFEo\0", "EParserError: 1 行目: ANSI または UTF8 エンコーディングが必要です"},
        TokenCase{"utf16be bom", "\xFE\xFF\0o", "EParserError: 1 行目: ANSI または UTF8 エンコーディングが必要です"}));

TEST(Parser, CountsLinesAtLineFeedsOnly)
{
    EXPECT_EQ(Tokens("a\r\nb\rc\n\n  d\r\n", true), "sym:a@1 sym:b@2 sym:c@2 sym:d@4 end@5");
}

TEST(Parser, LineLengthLimit)
{
    const QByteArray fits(kMaxSourceLineBytes, 'x');
    const QByteArray tooLong(kMaxSourceLineBytes + 1, 'x');
    const std::string longError = "EParserError: 1 行目: 行が長すぎます";
    struct Case {
        const char* name;
        QByteArray text;
        std::string expected;
    };
    const Case cases[] = {
        {"4094 bytes and a line feed", fits + "\n", "sym:" + fits.toStdString() + " end"},
        {"4094 bytes at the end", fits, "sym:" + fits.toStdString() + " end"},
        {"empty line then 4094 bytes", "\n" + fits + "\nz", "sym:" + fits.toStdString() + " sym:z end"},
        {"4095 bytes", tooLong + "\n", longError},
        {"4095 bytes at the end", tooLong, longError},
        {"long third line", "a\nb\n" + tooLong + "\n", "sym:a sym:b EParserError: 3 行目: 行が長すぎます"},
        {"long line of blanks", "a\n" + QByteArray(5000, ' ') + "\n", "sym:a EParserError: 2 行目: 行が長すぎます"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Tokens(c.text), c.expected) << c.name;
}

// A literal model of reading through a 4095-byte window that is refilled at its
// end mark and always ends after its last line feed, with a tokenizer that only
// knows identifiers, blanks and single characters. Gives "s<length>@<line>" per
// identifier, "c<byte>@<line>" per other token, then "end@<line>" or "long@<line>".
std::string WindowModel(const QByteArray& data)
{
    char buf[4096] = {0};
    const int bufEnd = 4095;
    int bufPtr = 0, sourcePtr = 0, sourceEnd = 0, line = 1;
    char saveChar = 0;
    qsizetype streamPos = 0;
    const auto fill = [&]() -> bool {
        buf[sourceEnd] = saveChar;
        const int keep = bufPtr - sourcePtr;
        std::memmove(buf, buf + sourcePtr, size_t(keep));
        bufPtr = keep;
        const int got = int(std::min<qsizetype>(bufEnd - bufPtr, data.size() - streamPos));
        std::memcpy(buf + bufPtr, data.constData() + streamPos, size_t(got));
        streamPos += got;
        bufPtr += got;
        sourcePtr = 0;
        sourceEnd = bufPtr;
        if (sourceEnd == bufEnd) {
            int i = bufEnd - 1;
            while (i >= 0 && buf[i] != '\n')
                --i;
            if (i < 0)
                return false;
            sourceEnd = i + 1;
        }
        saveChar = buf[sourceEnd];
        buf[sourceEnd] = 0;
        return true;
    };
    std::string out;
    const auto longLine = [&] { return out + "long@" + std::to_string(line); };
    if (!fill())
        return longLine();
    for (;;) {
        for (;;) { // skip blanks
            const auto c = static_cast<uint8_t>(buf[sourcePtr]);
            if (c == 0) {
                if (!fill())
                    return longLine();
                if (buf[sourcePtr] == 0)
                    break;
            } else if (c <= 0x20) {
                if (c == '\n')
                    ++line;
                ++sourcePtr;
            } else {
                break;
            }
        }
        const auto c = static_cast<uint8_t>(buf[sourcePtr]);
        if (c == 0)
            return out + "end@" + std::to_string(line);
        if (std::isalpha(c)) {
            const int start = sourcePtr;
            while (std::isalnum(static_cast<uint8_t>(buf[sourcePtr])))
                ++sourcePtr;
            out += "s" + std::to_string(sourcePtr - start);
        } else {
            ++sourcePtr;
            out += "c" + std::to_string(c);
        }
        out += "@" + std::to_string(line) + " ";
    }
}

// The same dump from TParser.
std::string ParserDump(const QByteArray& data)
{
    ByteStream stream(data);
    std::string out;
    try {
        TParser p(stream);
        for (;;) {
            if (p.Token() == tokEndOfInput)
                return out + "end@" + std::to_string(p.SourceLine());
            if (p.Token() == tokSymbol)
                out += "s" + std::to_string(p.TokenBytes().size());
            else
                out += "c" + std::to_string(p.Token());
            out += "@" + std::to_string(p.SourceLine()) + " ";
            p.NextToken();
        }
    } catch (const EParserError& e) {
        const std::string msg = e.message().toStdString();
        if (msg.find("行が長すぎます") == std::string::npos)
            return out + msg;
        return out + "long@" + msg.substr(0, msg.find(' '));
    }
}

// Random texts of short and almost-too-long lines, blanks, carriage returns and
// 00 bytes tokenize exactly as through the window.
TEST(Parser, LinesBehaveExactlyAsThroughTheWindow)
{
    std::mt19937 rng(20261209);
    const auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    for (int round = 0; round < 400; ++round) {
        QByteArray text;
        const bool withNul = pick(4) == 0;
        const int lines = 1 + pick(6);
        for (int l = 0; l < lines; ++l) {
            const int kind = pick(4);
            int length = kind == 0 ? pick(40) : kMaxSourceLineBytes - 3 + pick(6);
            if (kind == 3)
                length = pick(12) * 700;
            QByteArray line;
            while (line.size() < length) {
                const int what = pick(10);
                if (what < 6)
                    line += QByteArray(1 + pick(20), 'a');
                else if (what < 8)
                    line += QByteArray(1 + pick(3), ' ');
                else if (what < 9)
                    line += "=";
                else
                    line += withNul && pick(8) == 0 ? QByteArray(1, '\0') : QByteArray("\r");
            }
            line.truncate(length);
            text += line;
            if (l + 1 < lines || pick(2))
                text += '\n';
        }
        ASSERT_EQ(ParserDump(text), WindowModel(text)) << "round " << round;
    }
}

TEST(Parser, TokenIntConvertsDecimalAndHex)
{
    struct Case {
        QByteArray text;
        int64_t value;
    };
    const Case cases[] = {
        {"0", 0},
        {"-0", 0},
        {"007", 7},
        {"$FF", 255},
        {"$ff", 255},
        {"$FFFFFFFF", 4294967295},
        {"$FFFFFFFFFFFFFFFF", -1},
        {"$00000000000000000001", 1},
        {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
    };
    for (const Case& c : cases) {
        ByteStream s(c.text);
        TParser p(s);
        EXPECT_EQ(p.TokenInt(), c.value) << c.text.constData();
    }
}

TEST(Parser, TokenIntRejects)
{
    const char* cases[] = {"-", "$", "9223372036854775808", "-9223372036854775809", "$10000000000000000"};
    for (const char* text : cases) {
        ByteStream s{QByteArray(text)};
        TParser p(s);
        try {
            p.TokenInt();
            ADD_FAILURE() << text;
        } catch (const EKorvelError& e) {
            EXPECT_EQ(Describe(e), std::string("EConvertError: '") + text + "' は整数ではありません");
        }
    }
}

TEST(Parser, TokenFloatConvertsWithoutSuffix)
{
    struct Case {
        QByteArray text;
        long double value;
    };
    const Case cases[] = {
        {"1.5", 1.5L},
        {"1.5f", 1.5L},
        {"12s", 12.0L},
        {"1E5", 1e5L},
        {"1e-5", 1e-5L},
        {"-2.5E+3c", -2500.0L},
        {"0.1", 0.1L},
        {"100.", 100.0L},
        {"1E-5000", 0.0L},
    };
    for (const Case& c : cases) {
        ByteStream s(c.text);
        TParser p(s);
        EXPECT_EQ(p.TokenFloat(), c.value) << c.text.constData();
    }
    ByteStream negativeTiny{QByteArray("-1E-5000")};
    EXPECT_TRUE(std::signbit(TParser(negativeTiny).TokenFloat()));
}

// Short decimals take a fast exact path; it must agree with the general parser.
TEST(Parser, TokenFloatAgreesWithTheGeneralParser)
{
    std::mt19937_64 rng(7);
    const auto digits = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += char('0' + rng() % 10);
        return s;
    };
    for (int i = 0; i < 20000; ++i) {
        std::string text = (rng() % 3 == 0 ? "-" : "") + digits(1 + int(rng() % 21));
        if (rng() % 2)
            text += "." + digits(int(rng() % 21));
        if (rng() % 3 == 0)
            text += std::string(rng() % 2 ? "E" : "e") + (rng() % 2 ? "-" : (rng() % 2 ? "+" : ""))
                + std::to_string(rng() % 40);
        long double expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        ByteStream s{QByteArray::fromStdString(text)};
        const long double got = TParser(s).TokenFloat();
        ASSERT_TRUE(got == expected && std::signbit(got) == std::signbit(expected)) << text;
    }
}

TEST(Parser, TokenFloatRejects)
{
    const char* cases[][2] = {
        {"1+2", "1+2"},
        {"1.2.3", "1.2.3"},
        {"1E", "1E"},
        {"1Es", "1E"},
        {"1E5000", "1E5000"},
        {"--5", "--5"},
        {"-", "-"},
    };
    for (const auto& c : cases) {
        ByteStream s{QByteArray(c[0])};
        TParser p(s);
        try {
            p.TokenFloat();
            ADD_FAILURE() << c[0];
        } catch (const EKorvelError& e) {
            EXPECT_EQ(Describe(e), std::string("EConvertError: '") + c[1] + "' は浮動小数点数ではありません");
        }
    }
}

TEST(Parser, NumbersIgnoreTheUserLocale)
{
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    ByteStream s{QByteArray("1.25 -3.5E2d")};
    TParser p(s);
    const long double a = p.TokenFloat();
    p.NextToken();
    const long double b = p.TokenFloat();
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(a, 1.25L);
    EXPECT_EQ(b, -350.0L);
}

TEST(Parser, TokenComponentIdentTakesDottedParts)
{
    struct Case {
        QByteArray text;
        std::string expected;
    };
    const Case cases[] = {
        {"Form1.Button1 x", "Form1.Button1|sym:x"},
        {"a.b.c_1", "a.b.c_1|end"},
        {"a .b", "a|char:."},
        {"a.1", "EParserError: 1 行目: 識別子が必要です"},
        {"a.", "EParserError: 1 行目: 識別子が必要です"},
        {kBom + "a.\xC3\xA4x", "a.\xC3\xA4x|end"},
        {"1", "EParserError: 1 行目: 識別子が必要です"},
    };
    for (const Case& c : cases) {
        ByteStream s(c.text);
        std::string got;
        try {
            TParser p(s);
            got = p.TokenComponentIdentBytes().toByteArray().toStdString();
            p.NextToken();
            got += "|" + DumpToken(p);
        } catch (const EKorvelError& e) {
            got = Describe(e);
        }
        EXPECT_EQ(got, c.expected) << c.text.constData();
    }
}

TEST(Parser, HexToBinary)
{
    struct Case {
        QByteArray text;
        std::string expected;
    };
    const Case cases[] = {
        {"{0A 0B}", "0a 0b|char:}"},
        {"{0a0B}x", "0a 0b|char:}"},
        {"{}", "|char:}"},
        {"{\r\n  0102\r\n  03}", "01 02 03|char:}"},
        {"{0A0}", "EParserError: 1 行目: バイナリ値が無効です"},
        {"{0 A}", "EParserError: 1 行目: バイナリ値が無効です"},
        {"{0A\r\n0G}", "EParserError: 2 行目: バイナリ値が無効です"},
        {"{0A", "EParserError: 1 行目: バイナリ値が無効です"},
        {QByteArray("{0A\0}", 5), "EParserError: 1 行目: バイナリ値が無効です"},
    };
    for (const Case& c : cases) {
        ByteStream s(c.text);
        std::string got;
        try {
            TParser p(s);
            got = p.HexToBinary().toByteArray().toHex(' ').toStdString();
            got += "|" + DumpToken(p);
        } catch (const EKorvelError& e) {
            got = Describe(e);
        }
        EXPECT_EQ(got, c.expected) << c.text.constData();
    }
}

// The line and byte offset an error carries: the scanning position's.
TEST(Parser, ErrorsCarryLineAndOffset)
{
    struct Case {
        QByteArray text;
        int line;
        int64_t offset;
    };
    const Case cases[] = {
        {"x\r\ny\r\n'abc\r\n", 3, 10},
        {"{0A\r\n0G}", 2, 5},
        {"a\n" + QByteArray(5000, ' ') + "\n", 2, 2},
    };
    for (const Case& c : cases) {
        ByteStream s(c.text);
        try {
            TParser p(s);
            while (p.Token() != u'{' && p.NextToken() != tokEndOfInput) { }
            if (p.Token() == u'{')
                p.HexToBinary();
            ADD_FAILURE() << "no error: " << c.text.constData();
        } catch (const EParserError& e) {
            EXPECT_EQ(e.line(), c.line) << c.text.constData();
            EXPECT_EQ(e.offset(), c.offset) << c.text.constData();
            EXPECT_TRUE(e.message().startsWith(QString::number(c.line) + QStringLiteral(" 行目: ")));
        }
    }
}

TEST(Parser, CheckTokenMessages)
{
    struct Case {
        QByteArray text;
        char16_t token;
        std::string expected;
    };
    const Case cases[] = {
        {"1", tokSymbol, "EParserError: 1 行目: 識別子が必要です"},
        {"x", tokString, "EParserError: 1 行目: 文字列が必要です"},
        {"x", tokWideString, "EParserError: 1 行目: 文字列が必要です"},
        {"x", tokInteger, "EParserError: 1 行目: 数値が必要です"},
        {"x", tokFloat, "EParserError: 1 行目: 数値が必要です"},
        {"\n\nx", u'=', "EParserError: 3 行目: ''='' が必要です"},
        {"x", u']', "EParserError: 1 行目: '']'' が必要です"},
        {"=", u'=', ""},
    };
    for (const Case& c : cases) {
        ByteStream s(c.text);
        TParser p(s);
        try {
            p.CheckToken(c.token);
            EXPECT_EQ("", c.expected);
        } catch (const EKorvelError& e) {
            EXPECT_EQ(Describe(e), c.expected);
        }
    }
}

TEST(Parser, SymbolsCompareIgnoringAsciiCase)
{
    ByteStream s{QByteArray("oBjEcT")};
    TParser p(s);
    EXPECT_TRUE(p.TokenSymbolIs(QLatin1StringView("OBJECT")));
    EXPECT_FALSE(p.TokenSymbolIs(QLatin1StringView("OBJEC")));
    EXPECT_NO_THROW(p.CheckTokenSymbol(QLatin1StringView("object")));
    try {
        p.CheckTokenSymbol(QLatin1StringView("END"));
        ADD_FAILURE();
    } catch (const EKorvelError& e) {
        EXPECT_EQ(Describe(e), "EParserError: 1 行目: END が必要です");
    }
}

TEST(Parser, DestroySeeksToTheCurrentToken)
{
    ByteStream s{QByteArray("xx  object A")};
    s.seek(2);
    {
        TParser p(s);
        EXPECT_EQ(p.SourcePos(), 4);
        p.NextToken();
        EXPECT_EQ(p.SourcePos(), 11);
    }
    EXPECT_EQ(s.position(), 11);
}

TEST(Parser, AnsiStringsDecodeInTheActiveCodePage)
{
    const CodePageScope cp(932);
    ByteStream s{QByteArray("'\x82\xA0' '\x82\xA0'#300")};
    TParser p(s);
    EXPECT_EQ(p.TokenString(), QString::fromUtf16(u"あ"));
    p.NextToken();
    // In a wide string every quoted byte is a code unit of its own.
    EXPECT_EQ(p.TokenWideString(), QString::fromUtf16(u"\u0082\u00A0\u012C"));
}

} // namespace
