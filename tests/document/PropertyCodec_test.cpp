#include "document/PropertyCodec.h"

#include "document/PropRec.h"
#include "support/Corpus.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>

#include <tuple>

namespace korvel {
namespace {

QString u16(const char16_t* text)
{
    return QString::fromUtf16(text);
}

struct CodecCase {
    const char16_t* input;
    const char16_t* decoded; // DecodeText's result without the final CR LF
    const char16_t* encoded; // EncodeText's result without the final CR LF
};

const CodecCase kWorkedExamples[] = {
    {u"Caption = 'abc'#233'def'", u"Caption = 'abcédef'", u"Caption = 'abc'#233'def'"},
    {u"Caption = 'abcédef'", u"Caption = 'abcédef'", u"Caption = 'abc'#233'def'"},
    {u"Caption = 'it''s'", u"Caption = 'it''s'", u"Caption = 'it''s'"},
    {u"Caption = #39'abc'", u"Caption = '''abc'", u"Caption = #39'abc'"},
    {u"Caption = #$41#66", u"Caption = 'AB'", u"Caption = #$41#66"},
    {u"Caption = 'abc'#13#10'def'", u"Caption = 'abc'#13#10'def'", u"Caption = 'abc'#13#10'def'"},
    {u"Caption = #013#$0D'é'", u"Caption = #13#13'é'", u"Caption = #013#$0D#233"},
    {u"Caption = ''", u"Caption = ''", u"Caption = ''"},
    {u"Caption = ''#65", u"Caption = 'A'", u"Caption = #65"},
    {u"Hint = #12354#12356", u"Hint = 'あい'", u"Hint = #12354#12356"},
    {u"Hint = 'あい'", u"Hint = 'あい'", u"Hint = #12354#12356"},
    {u"Caption = 'a' + 'ü'", u"Caption = 'a' + 'ü'", u"Caption = 'a' + #252"},
    {u"Left = 12.5E+3", u"Left = 12.5E+3", u"Left = 12.5E+3"},
};

const CodecCase kEdgeCases[] = {
    // Strings split over lines with + stay two runs.
    {u"'a' +\r\n  'b'", u"'a' +\r\n  'b'", u"'a' +\r\n  'b'"},
    // Codes without digits count as 0; only the low 16 bits of a value count.
    {u"X = #", u"X = #0", u"X = #"},
    {u"'a'#$'b'", u"'a'#0'b'", u"'a'#$'b'"},
    {u"#65601", u"'A'", u"#65601"},
    {u"#65549", u"#13", u"#65549"},
    {u"#99999999999", u"#0", u"#99999999999"},
    {u"#2147483648", u"#0", u"#2147483648"},
    {u"#2147483647", u"'\uFFFF'", u"#2147483647"},
    {u"#$FFFFFFFF#$100000041#$000000041", u"'\uFFFF'#0'A'", u"#$FFFFFFFF#$100000041#$000000041"},
    // Surrogate pairs written as two codes; a lone surrogate survives both ways.
    {u"#55357#56832", u"'\U0001F600'", u"#55357#56832"},
    {u"'\U0001F600'", u"'\U0001F600'", u"#55357#56832"},
    {u"'a\xD800'", u"'a\xD800'", u"'a'#55296"},
    // Apostrophes: codes 39 inside merged text, doubled ones kept as written.
    {u"'a'#39#39'b'", u"'a''''b'", u"'a'#39#39'b'"},
    {u"''''", u"''''", u"''''"},
    {u"'a'''#66", u"'a''B'", u"'a'''#66"},
    // Characters 32..127 and raw control characters inside quotes stay raw.
    {u"'\x7F\t~'", u"'\x7F\t~'", u"'\x7F\t~'"},
    // Apostrophe pairs outside strings are not touched.
    {u"// it''s", u"// it''s", u"// it''s"},
    {u"X = 'a'// b''c", u"X = 'a'// b''c", u"X = 'a'// b''c"},
    // U+FEFF is an ordinary character: kept raw outside strings, a code when encoded.
    {u"'a\uFEFFb'", u"'a\uFEFFb'", u"'a'#65279'b'"},
    {u"#65279", u"'\uFEFF'", u"#65279"},
    {u"\uFEFFX = 1", u"\uFEFFX = 1", u"\uFEFFX = 1"},
    // A string that is never closed passes through with its whole run.
    {u"Caption = 'abc", u"Caption = 'abc", u"Caption = 'abc"},
    {u"X = #65'it''s é\r\nLeft = 1", u"X = #65'it''s é\r\nLeft = 1", u"X = #65'it''s é\r\nLeft = 1"},
    {u"'é' + 'b", u"'é' + 'b", u"#233 + 'b"},
    // A code is kept apart by an empty string from a character that would extend it.
    {u"'é'5", u"'é'5", u"#233''5"},
    {u"#13''5", u"#13''5", u"#13''5"},
    {u"#$F''A", u"#15A", u"#$F''A"},
    {u"#''$1", u"#0$1", u"#''$1"},
    {u"#''5", u"#0''5", u"#''5"},
    {u"#13''x", u"#13x", u"#13x"},
};

void checkCodec(const CodecCase& c, const QString& ending)
{
    const QString input = u16(c.input);
    EXPECT_EQ(DecodeText(input), u16(c.decoded) + ending) << input.toStdString();
    EXPECT_EQ(EncodeText(input), u16(c.encoded) + ending) << input.toStdString();
}

TEST(PropertyCodecTest, WorkedExamples)
{
    for (const CodecCase& c : kWorkedExamples)
        checkCodec(c, QStringLiteral("\r\n"));
}

TEST(PropertyCodecTest, EdgeCases)
{
    for (const CodecCase& c : kEdgeCases)
        checkCodec(c, QStringLiteral("\r\n"));
}

TEST(PropertyCodecTest, LineStructure)
{
    const CodecCase cases[] = {
        {u"", u"", u""},
        {u"a", u"a\r\n", u"a\r\n"},
        {u"a\r\n", u"a\r\n", u"a\r\n"},
        {u"a\r\n\r\nb", u"a\r\n\r\nb\r\n", u"a\r\n\r\nb\r\n"},
        {u"\r\n\r\n", u"\r\n\r\n", u"\r\n\r\n"},
        {u"a\r", u"a\r\r\n", u"a\r\r\n"},
        {u"a\nb", u"a\nb\r\n", u"a\nb\r\n"},
        {u"'abc\r\n", u"'abc\r\n", u"'abc\r\n"},
        {u"X = 'a\r\nb'", u"X = 'a\r\nb'\r\n", u"X = 'a\r\nb'\r\n"},
    };
    for (const CodecCase& c : cases)
        checkCodec(c, QString());
}

TEST(PropertyCodecTest, NulIsKept)
{
    const QString text =
        QStringLiteral("'a") + QChar(u'\0') + QStringLiteral("'") + QChar(u'\0') + QStringLiteral("#0");
    EXPECT_EQ(DecodeText(text),
        QStringLiteral("'a") + QChar(u'\0') + QStringLiteral("'") + QChar(u'\0') + QStringLiteral("#0\r\n"));
}

struct PropsCase {
    uint32_t beginLine, endLine, indent;
    const char16_t* expected;
};

TEST(PropertyCodecTest, GetNodeProperties)
{
    const QStringList orgFile = {
        QStringLiteral("  object Button1: TButton"),
        QStringLiteral("    Left = 8"),
        QStringLiteral("      'continued'"),
        QStringLiteral(" Top = 1"),
        QStringLiteral("\tTab = 2"),
        QStringLiteral(""),
        QStringLiteral("  end"),
    };
    const PropsCase cases[] = {
        {1, 2, 2, u"Left = 8\r\n  'continued'"},
        // A tab counts as two columns of indentation (one level of a tab-indented form).
        {1, 5, 2, u"Left = 8\r\n  'continued'\r\nTop = 1\r\nTab = 2\r\n"},
        {2, 2, 0, u"    'continued'"},
        {6, 6, 4, u"end"},
        {1, 0, 2, u""},
        {3, 3, 2, u"Top = 1"},
        // A range reaching past the last line stops at it; one wholly outside gives nothing.
        {5, 100, 0, u"\r\nend"},
        {7, 9, 0, u""},
        {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, u""},
    };
    for (const PropsCase& c : cases) {
        TPROPREC rec;
        rec.BeginLine = c.beginLine;
        rec.EndLine = c.endLine;
        rec.Indent = c.indent;
        EXPECT_EQ(GetNodeProperties(orgFile, &rec), u16(c.expected)) << c.beginLine << ".." << c.endLine;
    }
    EXPECT_EQ(GetNodeProperties(orgFile, nullptr), QString());
    // Columns of indentation: a space is one, a tab two; never more than allowed.
    for (const auto& [line, columns, cut] : {std::tuple{u" \t x", 4, 3}, std::tuple{u"\t\tx", 3, 1},
             std::tuple{u" \tx", 2, 1}, std::tuple{u"   ", 8, 3}, std::tuple{u"x ", 4, 0}})
        EXPECT_EQ(IndentToStrip(QStringView(line), columns), cut) << QString::fromUtf16(line).toStdString();
}

// On real forms: the pane shows the same text again after an apply, and
// encoding the decoded view is stable.
TEST(PropertyCodecTest, CorpusRoundTrip)
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
        const QString decoded = DecodeText(text);
        const QString encoded = EncodeText(decoded);
        EXPECT_EQ(DecodeText(encoded), decoded) << file.fileName().toStdString();
        EXPECT_EQ(EncodeText(encoded), encoded) << file.fileName().toStdString();
        EXPECT_EQ(DecodeText(decoded), decoded) << file.fileName().toStdString();
        ++files;
    }
    std::printf("corpus forms decoded and encoded stably: %d\n", files);
    EXPECT_GT(files, 0);
}

} // namespace
} // namespace korvel
