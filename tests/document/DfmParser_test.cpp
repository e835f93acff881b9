#include "document/DfmParser.h"
#include "support/Corpus.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>

#include <string>

namespace korvel {
namespace {

const char* kindName(char16_t code)
{
    switch (code) {
    case dfmSymbol:
        return "sym";
    case dfmString:
        return "str";
    case dfmInteger:
        return "int";
    case dfmFloat:
        return "float";
    case dfmComment:
        return "comment";
    case dfmIdentifier:
        return "ident";
    case dfmCharCode:
        return "code";
    case dfmControlChar:
        return "ctrl";
    case dfmLineBreak:
        return "br";
    default:
        return "?";
    }
}

// Token text in a readable form: control characters and non-ASCII as \u{hex}.
std::string printable(QStringView text)
{
    std::string out;
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c >= 32 && c < 127) {
            out += char(c);
        } else {
            static const char kHex[] = "0123456789ABCDEF";
            std::string hex;
            for (unsigned v = c; v != 0 || hex.empty(); v >>= 4)
                hex.insert(hex.begin(), kHex[v & 15]);
            out += "\\u{" + hex + "}";
        }
    }
    return out;
}

// Every token as <kind>text</kind>; also checks that each token is non-empty
// and that the tokens joined give the text back.
std::string dump(const QString& text)
{
    TDfmParser scanner(text);
    std::string out;
    QString joined;
    while (scanner.Token() != dfmEndOfText) {
        const QStringView token = scanner.TokenView();
        EXPECT_FALSE(token.isEmpty());
        EXPECT_EQ(scanner.SourcePos(), joined.size());
        joined += token;
        const std::string kind = kindName(scanner.Token());
        out += "<" + kind + ">" + printable(token) + "</" + kind + ">";
        scanner.NextToken();
    }
    EXPECT_EQ(joined, text);
    return out;
}

struct ScanCase {
    const char16_t* text;
    const char* tokens;
};

const ScanCase kScanCases[] = {
    {u"Caption = 'it''s'", "<ident>Caption</ident><sym> </sym><sym>=</sym><sym> </sym><str>'it''s'</str>"},
    {u"'abc'#13#10'def'", "<str>'abc'</str><code>#13</code><code>#10</code><str>'def'</str>"},
    {u"#$0D#10", "<code>#$0D</code><code>#10</code>"},
    {u"#x", "<code>#</code><ident>x</ident>"},
    {u"#$", "<code>#$</code>"},
    {u"#$fG", "<code>#$f</code><ident>G</ident>"},
    {u"$", "<int>$</int>"},
    {u"$1F", "<int>$1F</int>"},
    {u"$G", "<int>$</int><ident>G</ident>"},
    {u"1.5E-3", "<float>1.5E-3</float>"},
    {u"12.5E+3", "<float>12.5E+3</float>"},
    {u"1.E5", "<float>1.E5</float>"},
    {u"1e", "<float>1e</float>"},
    {u"1E+", "<float>1E+</float>"},
    {u"12.x", "<float>12</float><sym>.</sym><ident>x</ident>"},
    {u"1.", "<float>1</float><sym>.</sym>"},
    {u"1.5e-x", "<float>1.5e-</float><ident>x</ident>"},
    {u"007 -5", "<int>007</int><sym> </sym><sym>-</sym><int>5</int>"},
    {u"Font.Name", "<ident>Font</ident><sym>.</sym><ident>Name</ident>"},
    {u"_a1_b2 A9", "<ident>_a1_b2</ident><sym> </sym><ident>A9</ident>"},
    {u"a//b", "<ident>a</ident><comment>//b</comment>"},
    {u"//\r\nx", "<comment>//</comment><br>\\u{D}\\u{A}</br><ident>x</ident>"},
    {u"//a\nb", "<comment>//a</comment><ctrl>\\u{A}</ctrl><ident>b</ident>"},
    {u"/ /", "<sym>/</sym><sym> </sym><sym>/</sym>"},
    {u"'abc\r\ndef\r\nghi", "<str>'abc\\u{D}\\u{A}def\\u{D}\\u{A}ghi</str>"},
    {u"''", "<str>''</str>"},
    {u"'''", "<str>'''</str>"},
    {u"'a'''b", "<str>'a'''</str><ident>b</ident>"},
    {u"\r\n", "<br>\\u{D}\\u{A}</br>"},
    {u"\n\r", "<ctrl>\\u{A}</ctrl><ctrl>\\u{D}</ctrl>"},
    {u"\r\r\n", "<ctrl>\\u{D}</ctrl><br>\\u{D}\\u{A}</br>"},
    {u"\t\x1F\x7F", "<ctrl>\\u{9}</ctrl><ctrl>\\u{1F}</ctrl><sym>\\u{7F}</sym>"},
    {u"é\u3042\U0001F600", "<sym>\\u{E9}</sym><sym>\\u{3042}</sym><sym>\\u{D83D}</sym><sym>\\u{DE00}</sym>"},
    {u"\uFF11\u00B2", "<sym>\\u{FF11}</sym><sym>\\u{B2}</sym>"},
    {u"{0A0B}", "<sym>{</sym><int>0</int><ident>A0B</ident><sym>}</sym>"},
};

TEST(TDfmParserTest, TokenTable)
{
    for (const ScanCase& c : kScanCases)
        EXPECT_EQ(dump(QString::fromUtf16(c.text)), c.tokens) << printable(QString::fromUtf16(c.text));
}

// A NUL inside the text is a control character, not the end: nothing after it is lost.
TEST(TDfmParserTest, EmbeddedNulIsKept)
{
    const QString text = QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b'x") + QChar(u'\0')
        + QStringLiteral("y'//c") + QChar(u'\0') + QStringLiteral("d");
    EXPECT_EQ(dump(text),
        "<ident>a</ident><ctrl>\\u{0}</ctrl><ident>b</ident><str>'x\\u{0}y'</str>"
        "<comment>//c\\u{0}d</comment>");
}

TEST(TDfmParserTest, EmptyTextIsEndAtOnce)
{
    TDfmParser scanner{QString()};
    EXPECT_EQ(scanner.Token(), dfmEndOfText);
    EXPECT_EQ(scanner.TokenString(), QString());
    EXPECT_EQ(scanner.SourcePos(), 0);
    EXPECT_EQ(scanner.NextToken(), dfmEndOfText);
    EXPECT_EQ(scanner.NextToken(), dfmEndOfText);
}

TEST(TDfmParserTest, EndOfTextStaysPut)
{
    TDfmParser scanner(QStringLiteral("ab"));
    EXPECT_EQ(scanner.Token(), dfmIdentifier);
    EXPECT_EQ(scanner.NextToken(), dfmEndOfText);
    EXPECT_EQ(scanner.SourcePos(), 2);
    EXPECT_EQ(scanner.NextToken(), dfmEndOfText);
    EXPECT_EQ(scanner.SourcePos(), 2);
    EXPECT_EQ(scanner.TokenString(), QString());
}

TEST(TDfmParserTest, StringTermination)
{
    const struct {
        const char16_t* text;
        bool terminated;
    } cases[] = {{u"'a'", true}, {u"''''", true}, {u"'a", false}, {u"'", false}, {u"'''", false}, {u"'a''", false}};
    for (const auto& c : cases) {
        TDfmParser scanner(QString::fromUtf16(c.text));
        EXPECT_EQ(scanner.Token(), dfmString);
        EXPECT_EQ(scanner.StringTerminated(), c.terminated) << printable(QString::fromUtf16(c.text));
    }
}

// Skipping to the next string or code passes over comments and finds the same
// tokens as stepping through every token.
TEST(TDfmParserTest, NextStringOrCharCode)
{
    const struct {
        const char16_t* text;
        const char* found;
    } cases[] = {
        {u"X = 'a' // 'b' #1\r\nY = #2/'c'", "<str>'a'</str><code>#2</code><str>'c'</str>"},
        {u"a/b$1F 1.5e+3 // #", ""},
        {u"'a'#1", "<str>'a'</str><code>#1</code>"},
        {u"", ""},
    };
    for (const auto& c : cases) {
        TDfmParser scanner(QString::fromUtf16(c.text));
        std::string found;
        char16_t token = scanner.Token();
        if (token != dfmString && token != dfmCharCode)
            token = scanner.NextStringOrCharCode();
        for (; token != dfmEndOfText; token = scanner.NextStringOrCharCode()) {
            const std::string kind = kindName(token);
            found += "<" + kind + ">" + printable(scanner.TokenView()) + "</" + kind + ">";
        }
        EXPECT_EQ(found, c.found) << printable(QString::fromUtf16(c.text));
        EXPECT_EQ(scanner.SourcePos(), qsizetype(std::char_traits<char16_t>::length(c.text)));
    }
}

// Every real form file is divided into tokens that give its text back.
TEST(TDfmParserTest, CorpusIsLossless)
{
    KORVEL_NEEDS_CORPUS();
    const QString corpus = QStringLiteral(KORVEL_CORPUS_DIR);
    int files = 0;
    QDirIterator it(corpus, {QStringLiteral("*.dfm"), QStringLiteral("*.fmx"), QStringLiteral("*.xfm")}, QDir::Files,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromLatin1(file.readAll());
        TDfmParser scanner(text);
        qsizetype length = 0;
        while (scanner.Token() != dfmEndOfText) {
            ASSERT_EQ(scanner.TokenView(), QStringView(text).sliced(length, scanner.TokenView().size()));
            length += scanner.TokenView().size();
            scanner.NextToken();
        }
        EXPECT_EQ(length, text.size()) << file.fileName().toStdString();
        ++files;
    }
    std::printf("corpus forms tokenized losslessly: %d\n", files);
    EXPECT_GT(files, 0);
}

} // namespace
} // namespace korvel
