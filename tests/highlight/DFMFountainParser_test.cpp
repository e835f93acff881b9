#include "highlight/DFMFountainParser.h"

#include "highlight/DFMFountain.h"
#include "highlight/RowStatePacking.h"
#include "highlight/TokenDump.h"
#include "highlight/support/ScanHelpers.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::rowsOf;
using test::scanOne;
using test::utf8;

struct RowCase {
    const char16_t* row;
    const char* tokens;
};

class DFMFountainParserTest : public ::testing::Test {
protected:
    std::unique_ptr<TDFMFountain> FFountain = TDFMFountain::Create();

    std::string colors(const char16_t* text) { return utf8(DumpTokens(*FFountain, rowsOf(text), tdColor)); }
    std::string codes(const char16_t* text) { return utf8(DumpTokens(*FFountain, rowsOf(text), tdCode)); }
};

// One row each, scanned from the first row's state; tokens named by colour item.
const RowCase kColorCases[] = {
    {u"Caption = 'Hello'", "<Ank>Caption</Ank><Symbol>=</Symbol><Str>'Hello'</Str>"},
    {u"Font.Name = 'Tahoma'", "<Ank>Font</Ank><Symbol>.</Symbol><Ank>Name</Ank><Symbol>=</Symbol><Str>'Tahoma'</Str>"},
    {u"Left = -12", "<Ank>Left</Ank><Symbol>=</Symbol><Symbol>-</Symbol><Int>12</Int>"},
    {u"Value = 1.5E+3", "<Ank>Value</Ank><Symbol>=</Symbol><Int>1.5E+3</Int>"},
    {u"Caption = 'a'#13#10'b'",
        "<Ank>Caption</Ank><Symbol>=</Symbol><Str>'a'</Str><Str>#13</Str><Str>#10</Str><Str>'b'</Str>"},
    {u"#$0D", "<Str>#</Str><Symbol>$</Symbol><Int>0</Int><Ank>D</Ank>"},
    {u"#", "<Str>#</Str>"},
    {u"#x#", "<Str>#</Str><Ank>x</Ank><Str>#</Str>"},
    {u"'It''s'", "<Str>'It''s'</Str>"},
    {u"''''", "<Str>''''</Str>"},
    {u"Caption = 'abc", "<Ank>Caption</Ank><Symbol>=</Symbol><Str>'abc</Str>"},
    {u"'abc''", "<Str>'abc''</Str>"},
    {u"'a{b<c' x", "<Str>'a{b<c'</Str><Ank>x</Ank>"},
    {u"Caption = 'テスト'", "<Ank>Caption</Ank><Symbol>=</Symbol><Str>'テスト'</Str>"},
    {u"Caption = テスト", "<Ank>Caption</Ank><Symbol>=</Symbol><DBCS>テスト</DBCS>"},
    {u"end", "<Reserve>end</Reserve>"},
    {u"END", "<Reserve>END</Reserve>"},
    {u"object Form1: TForm1", "<Reserve>object</Reserve><Ank>Form1</Ank><Symbol>:</Symbol><Ank>TForm1</Ank>"},
    {u"inherited Form1: TForm1", "<Reserve>inherited</Reserve><Ank>Form1</Ank><Symbol>:</Symbol><Ank>TForm1</Ank>"},
    {u"inline Frame1: TFrame1", "<Reserve>inline</Reserve><Ank>Frame1</Ank><Symbol>:</Symbol><Ank>TFrame1</Ank>"},
    {u"Endless ends end_ objects", "<Ank>Endless</Ank><Ank>ends</Ank><Ank>end_</Ank><Ank>objects</Ank>"},
    {u"end.end", "<Reserve>end</Reserve><Symbol>.</Symbol><Reserve>end</Reserve>"},
    {u"'end'", "<Str>'end'</Str>"},
    {u"1.E5 1e 1E+ 1e-7 12.5e3", "<Int>1.E5</Int><Int>1e</Int><Int>1E+</Int><Int>1e-7</Int><Int>12.5e3</Int>"},
    {u"12.x", "<Int>12</Int><Symbol>.</Symbol><Ank>x</Ank>"},
    {u"12abc Item1 _x9", "<Int>12</Int><Ank>abc</Ank><Ank>Item1</Ank><Ank>_x9</Ank>"},
    {u"1.2.3", "<Int>1.2</Int><Symbol>.</Symbol><Int>3</Int>"},
    {u"$1F", "<Symbol>$</Symbol><Int>1</Int><Ank>F</Ank>"},
    {u"a\tb", "<Ank>a</Ank><none>\t</none><Ank>b</Ank>"},
    {u"\x01\x1f a \x7f", "<Ank>a</Ank><Symbol>\x7f</Symbol>"},
    {u"Font.Style = [fsBold]",
        "<Ank>Font</Ank><Symbol>.</Symbol><Ank>Style</Ank><Symbol>=</Symbol><Symbol>[</Symbol><Ank>fsBold</"
        "Ank><Symbol>]</Symbol>"},
    {u"Data = {0A0B}", "<Ank>Data</Ank><Symbol>=</Symbol><Bracket0>{0A0B}</Bracket0>"},
    {u"{} x {end}", "<Bracket0>{}</Bracket0><Ank>x</Ank><Bracket0>{end}</Bracket0>"},
    {u"Items = <item end>",
        "<Ank>Items</Ank><Symbol>=</Symbol><Symbol><</Symbol><Ank>item</Ank><Ank>end</Ank><Symbol>></Symbol>"},
    {u"<> end", "<Symbol><</Symbol><Symbol>></Symbol><Reserve>end</Reserve>"},
    {u"> end < end", "<Symbol>></Symbol><Reserve>end</Reserve><Symbol><</Symbol><Ank>end</Ank>"},
    {u"e\u0301x", "<Ank>e\u0301</Ank><Ank>x</Ank>"},
    {u"a\u0301\u0302\u20dd1", "<Ank>a\u0301\u0302\u20dd</Ank><Int>1</Int>"},
    {u"\u0301a", "<DBCS>\u0301</DBCS><Ank>a</Ank>"},
};

TEST_F(DFMFountainParserTest, ColorsOfOneRow)
{
    for (const RowCase& c : kColorCases)
        EXPECT_EQ(colors(c.row), c.tokens) << utf8(QString::fromUtf16(c.row));
}

TEST_F(DFMFountainParserTest, NulEndsTheRow)
{
    const QString row = QStringView(u"a\0b <", 5).toString();
    const auto [tokens, next] = scanOne(*FFountain, row);
    EXPECT_EQ(tokens, "<Ank>a</Ank>");
    EXPECT_EQ(next.ElementIndex, 0);
}

// The wide-character classes decide where a double click selection ends.
const RowCase kCodeCases[] = {
    {u"¥¥", "<12>¥</12><12>¥</12>"},
    {u"、。「」", "<12>、</12><12>。</12><12>「</12><12>」</12>"},
    {u"\u3000→゛", "<12>\u3000</12><12>→</12><12>゛</12>"},
    {u"１２，３．", "<14>１２，３．</14>"},
    {u"ＡＢｃ１", "<15>ＡＢｃ</15><14>１</14>"},
    {u"ひらがな", "<16>ひらがな</16>"},
    {u"らーめん", "<16>らーめん</16>"},
    {u"カード", "<17>カード</17>"},
    {u"ーカ", "<12>ー</12><17>カ</17>"},
    {u"カ・カ", "<17>カ</17><12>・</12><17>カ</17>"},
    {u"－カ－", "<16>－</16><17>カ－</17>"},
    {u"かカ", "<16>か</16><17>カ</17>"},
    {u"漢字かな", "<18>漢字</18><16>かな</16>"},
    {u"ｶﾀｶﾅ｡｢", "<20>ｶﾀｶﾅ</20><19>｡</19><19>｢</19>"},
    {u"éüÿ€", "<18>éüÿ€</18>"},
    {u"😀😀x", "<18>😀😀</18><11>x</11>"},
    {u"Aé", "<11>A</11><18>é</18>"},
    {u"#13 12 1.5 1e3 \t 'x' {y} = end",
        "<50>#13</50><3>12</3><4>1.5</4><4>1e3</4><9>\t</9><24>'x'</24><6>{y}</6><1>=</1><11>end</11>"},
    {u"12.x", "<4>12</4><1>.</1><11>x</11>"},
};

TEST_F(DFMFountainParserTest, TokenCodesOfOneRow)
{
    for (const RowCase& c : kCodeCases)
        EXPECT_EQ(codes(c.row), c.tokens) << utf8(QString::fromUtf16(c.row));
}

// Rows separated by \n, scanned top down with the state carried from row to row.
const RowCase kMultiRowCases[] = {
    // The hexadecimal block of a picture is one bracket span on every row, blanks excepted.
    {u"Picture.Data = {\n  0A0B0C0D\n  end 0E0F}\nLeft = 1",
        "<Ank>Picture</Ank><Symbol>.</Symbol><Ank>Data</Ank><Symbol>=</Symbol><Bracket0>{</Bracket0>\n"
        "<Bracket0>0A0B0C0D</Bracket0>\n<Bracket0>end 0E0F}</Bracket0>\n<Ank>Left</Ank><Symbol>=</Symbol><Int>1</Int>"},
    {u"Data = {\n\n  \n}end",
        "<Ank>Data</Ank><Symbol>=</Symbol><Bracket0>{</Bracket0>\n\n\n<Bracket0>}</Bracket0><Reserve>end</Reserve>"},
    // Reserved words are not coloured inside a collection value.
    {u"Items = <\n  item\n    Caption = 'x'\n  end>\nend",
        "<Ank>Items</Ank><Symbol>=</Symbol><Symbol><</Symbol>\n<Ank>item</Ank>\n<Ank>Caption</Ank><Symbol>=</"
        "Symbol><Str>'x'</Str>\n"
        "<Ank>end</Ank><Symbol>></Symbol>\n<Reserve>end</Reserve>"},
    // Only the > that closes the outermost collection ends it.
    {u"A = <\nitem\nB = <\nitem\nend>\nend\nend>\nend",
        "<Ank>A</Ank><Symbol>=</Symbol><Symbol><</Symbol>\n<Ank>item</Ank>\n<Ank>B</Ank><Symbol>=</Symbol><Symbol><</"
        "Symbol>\n"
        "<Ank>item</Ank>\n<Ank>end</Ank><Symbol>></Symbol>\n<Ank>end</Ank>\n<Ank>end</Ank><Symbol>></"
        "Symbol>\n<Reserve>end</Reserve>"},
    // An unclosed string ends with its row; the next row is scanned afresh.
    {u"Caption = 'abc\nend", "<Ank>Caption</Ank><Symbol>=</Symbol><Str>'abc</Str>\n<Reserve>end</Reserve>"},
    {u"Caption = '<'\nend", "<Ank>Caption</Ank><Symbol>=</Symbol><Str>'<'</Str>\n<Reserve>end</Reserve>"},
    {u"Caption = '{'\nend", "<Ank>Caption</Ank><Symbol>=</Symbol><Str>'{'</Str>\n<Reserve>end</Reserve>"},
    // A stray > leaves the counter below zero; the next < still opens a collection.
    {u">\n<\nend\n>\nend",
        "<Symbol>></Symbol>\n<Symbol><</Symbol>\n<Ank>end</Ank>\n<Symbol>></Symbol>\n<Reserve>end</Reserve>"},
};

TEST_F(DFMFountainParserTest, ColorsOverRows)
{
    for (const RowCase& c : kMultiRowCases)
        EXPECT_EQ(colors(c.row), c.tokens) << utf8(QString::fromUtf16(c.row));
}

TEST_F(DFMFountainParserTest, StateLeftForTheNextRow)
{
    struct Case {
        const char16_t* row;
        TRowAttributeData in;
        std::int32_t bracket, element, count;
        char16_t prevToken;
    };
    const TRowAttributeData inHex{.BracketIndex = 0};
    const TRowAttributeData inItems{.ElementIndex = 1, .MultiLineCnt = 1};
    const TRowAttributeData inNested{.ElementIndex = 1, .MultiLineCnt = 2};
    const Case cases[] = {
        {u"Caption = 'x'", {}, -1, 0, 0, ftQuotedString},
        {u"Data = {", {}, 0, 0, 0, ftBracket},
        {u"  0A0B", inHex, 0, 0, 0, ftBracket},
        {u"  0A0B} x", inHex, -1, 0, 0, ftAnk},
        {u"Items = <", {}, -1, 1, 1, ftSymbol},
        {u"end>", inItems, -1, 0, 0, ftSymbol},
        {u"end>", inNested, -1, 1, 1, ftSymbol},
        {u"<<>", {}, -1, 1, 1, ftSymbol},
        {u"", inItems, -1, 1, 1, 0},
        {u"#13", {.BracketIndex = -2}, -1, 0, 0, ftCharCode},
    };
    for (const Case& c : cases) {
        const auto [tokens, next] = scanOne(*FFountain, QString::fromUtf16(c.row), c.in);
        SCOPED_TRACE(utf8(QString::fromUtf16(c.row)));
        EXPECT_EQ(next.BracketIndex, c.bracket);
        EXPECT_EQ(next.ElementIndex, c.element);
        EXPECT_EQ(next.MultiLineCnt, c.count);
        EXPECT_EQ(next.PrevToken, c.prevToken);
        EXPECT_EQ(next.RowAttribute, raInvalid);
        EXPECT_EQ(next.StartToken, 0);
    }
}

TEST_F(DFMFountainParserTest, LastTokenBracketCarriesTheStateDownTheRows)
{
    const QStringList rows = rowsOf(u"Data = {\n  0A0B\n  0C}\nItems = <");
    const auto parser = FFountain->CreateParser();
    TRowAttributeData state;
    parser->LastTokenBracket(0, rows, state);
    EXPECT_EQ(state.BracketIndex, 0);
    EXPECT_EQ(state.PrevRowAttribute, raCrlf);
    EXPECT_EQ(state.RowAttribute, raCrlf);
    parser->LastTokenBracket(1, rows, state);
    EXPECT_EQ(state.BracketIndex, 0);
    parser->LastTokenBracket(2, rows, state);
    EXPECT_EQ(state.BracketIndex, -1);
    EXPECT_EQ(state.RowAttribute, raEof);
    parser->LastTokenBracket(3, rows, state);
    EXPECT_EQ(state.PrevRowAttribute, raEof);
    EXPECT_EQ(state.ElementIndex, 1);
    EXPECT_EQ(state.MultiLineCnt, 1);
}

TEST_F(DFMFountainParserTest, ScannerCountsAngleBracketsFromItsCreation)
{
    const auto parser = TFountainParser::Create<TDFMFountainParser>(FFountain.get());
    EXPECT_EQ(parser->MultiLineCnt(), 0);
    parser->ScanRow(u"<<", {}, nullptr);
    EXPECT_EQ(parser->MultiLineCnt(), 2);
    parser->ScanRow(u">", {.MultiLineCnt = 5}, nullptr);
    EXPECT_EQ(parser->MultiLineCnt(), 4);
}

TEST_F(DFMFountainParserTest, AngleCounterSaturates)
{
    const std::int32_t max = TDFMFountainParser::MaxMultiLineCnt;
    EXPECT_EQ(scanOne(*FFountain, u"<<"_qs, {.MultiLineCnt = max - 1}).second.MultiLineCnt, max);
    EXPECT_EQ(scanOne(*FFountain, u">>"_qs, {.MultiLineCnt = -max + 1}).second.MultiLineCnt, -max);
    EXPECT_EQ(scanOne(*FFountain, u""_qs, {.MultiLineCnt = INT32_MIN}).second.MultiLineCnt, -max);
}

// A double click selects the token the scanner gives at the clicked column.
TEST_F(DFMFountainParserTest, TokenExtentAtColumn)
{
    struct Case {
        const char16_t* row;
        TRowAttributeData in;
        qsizetype column;
        std::optional<TTokenExtent> extent;
    };
    const Case cases[] = {
        {u"Caption = 'Hello'#13#10", {}, 12, TTokenExtent{10, 7, ftQuotedString}},
        {u"Caption = 'Hello'#13#10", {}, 10, TTokenExtent{10, 7, ftQuotedString}},
        {u"Caption = 'Hello'#13#10", {}, 17, TTokenExtent{17, 3, ftCharCode}},
        {u"Caption = 'Hello'#13#10", {}, 19, TTokenExtent{17, 3, ftCharCode}},
        {u"Caption = 'Hello'#13#10", {}, 22, TTokenExtent{20, 3, ftCharCode}},
        {u"Caption = 'It''s me'", {}, 15, TTokenExtent{10, 10, ftQuotedString}},
        {u"Caption = 'Hello'", {}, 3, TTokenExtent{0, 7, ftAnk}},
        {u"Caption = 'Hello'", {}, 7, TTokenExtent{0, 7, ftAnk}},
        {u"a   b", {}, 2, std::nullopt},
        {u"a   b", {}, 4, TTokenExtent{4, 1, ftAnk}},
        {u"  0A0B} x", {.BracketIndex = 0}, 0, std::nullopt},
        {u"  0A0B} x", {.BracketIndex = 0}, 4, TTokenExtent{2, 5, ftBracket}},
        {u"漢字かな", {}, 1, TTokenExtent{0, 2, ftWideOther}},
        {u"漢字かな", {}, 2, TTokenExtent{2, 2, ftHiragana}},
        {u"x", {}, 5, std::nullopt},
        {u"", {}, 0, std::nullopt},
    };
    const auto parser = FFountain->CreateParser();
    for (const Case& c : cases) {
        SCOPED_TRACE(utf8(QString::fromUtf16(c.row)) + " @" + std::to_string(c.column));
        EXPECT_EQ(parser->TokenExtentAt(QString::fromUtf16(c.row), c.in, c.column), c.extent);
    }
}

// Wrapped display rows: a token cut by the wrap continues on the next row.
TEST_F(DFMFountainParserTest, TokensContinueOverWrappedRows)
{
    struct Case {
        const char16_t* row;
        TRowAttributeData in;
        const char* tokens;
        char16_t startToken;
        std::int32_t wrappedByte;
    };
    const Case cases[] = {
        {u"Caption = 'abc", {.RowAttribute = raWrapped}, "<Ank>Caption</Ank><Symbol>=</Symbol><Str>'abc</Str>",
            ftQuotedString, 4},
        {u"def' x", {.WrappedByte = 4, .StartToken = ftQuotedString}, "<Str>def'</Str><Ank>x</Ank>", 0, 0},
        {u"def", {.RowAttribute = raWrapped, .WrappedByte = 4, .StartToken = ftQuotedString}, "<Str>def</Str>",
            ftQuotedString, 7},
        {u"Caption = 'abc'", {.RowAttribute = raWrapped}, "<Ank>Caption</Ank><Symbol>=</Symbol><Str>'abc'</Str>", 0, 0},
        {u"x = Capt", {.RowAttribute = raWrapped}, "<Ank>x</Ank><Symbol>=</Symbol><Ank>Capt</Ank>", ftAnk, 4},
        {u"ion = 1", {.StartToken = ftAnk}, "<Ank>ion</Ank><Symbol>=</Symbol><Int>1</Int>", 0, 0},
        {u"x object", {.RowAttribute = raWrapped}, "<Ank>x</Ank><Reserve>object</Reserve>", ftReserveCont, 6},
        {u"s Foo", {.StartToken = ftReserveCont}, "<Reserve>s</Reserve><Ank>Foo</Ank>", 0, 0},
        {u"x = #1", {.RowAttribute = raWrapped}, "<Ank>x</Ank><Symbol>=</Symbol><Str>#1</Str>", ftCharCode, 2},
        {u"3#10", {.StartToken = ftCharCode}, "<Str>3</Str><Str>#10</Str>", 0, 0},
        // Nothing at the row start continues the token: the row is scanned afresh.
        {u" = 1", {.StartToken = ftAnk}, "<Symbol>=</Symbol><Int>1</Int>", 0, 0},
        {u"x", {.StartToken = ftCharCode}, "<Ank>x</Ank>", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(utf8(QString::fromUtf16(c.row)));
        const auto [tokens, next] = scanOne(*FFountain, QString::fromUtf16(c.row), c.in);
        EXPECT_EQ(tokens, c.tokens);
        EXPECT_EQ(next.StartToken, c.startToken);
        EXPECT_EQ(next.WrappedByte, c.wrappedByte);
    }
}

TEST_F(DFMFountainParserTest, ContinuedTokenIsNoReservedWord)
{
    const auto parser = FFountain->CreateParser();
    parser->NewData(u"end end", {.StartToken = ftAnk});
    ASSERT_EQ(parser->NextToken(), ftAnk);
    EXPECT_TRUE(parser->IsStartToken());
    EXPECT_EQ(parser->TokenToFountainColor(), &FFountain->Ank());
    ASSERT_EQ(parser->NextToken(), ftAnk);
    EXPECT_FALSE(parser->IsStartToken());
    EXPECT_EQ(parser->TokenToFountainColor(), &FFountain->Reserve());
    EXPECT_EQ(parser->NextToken(), ftEndOfRow);
    EXPECT_EQ(parser->NextToken(), ftEndOfRow);
}

// Stored states that no scan produces (a bracket item that is gone, unknown token codes)
// still give every character at most one token, each at least one character long.
TEST_F(DFMFountainParserTest, ForeignStatesNeverStall)
{
    const TRowAttributeData states[] = {
        {.BracketIndex = 7},
        {.BracketIndex = -9},
        {.StartToken = 0xFFFF},
        {.StartToken = ftBracket},
        {.StartToken = ftEndOfRow + 200},
        {.ElementIndex = 1, .MultiLineCnt = INT32_MAX},
    };
    const QString row = QStringLiteral("x = {'a'#1 <ｶﾀ> \t}");
    for (const TRowAttributeData& state : states) {
        const auto parser = FFountain->CreateParser();
        parser->NewData(row, state);
        qsizetype end = 0;
        int count = 0;
        while (parser->NextToken() != ftEndOfRow) {
            ASSERT_GE(parser->SourcePos(), end);
            ASSERT_GE(parser->TokenLength(), 1);
            end = parser->SourcePos() + parser->TokenLength();
            ASSERT_LE(end, row.size());
            parser->TokenToFountainColor();
            ASSERT_LT(++count, 100);
        }
    }
}

// A whole form, highlighted top down; the property text shapes the pane shows.
const char16_t kForm[] = u"object Form1: TForm1\n"
                         u"  Caption = 'Form1'#13#10'テスト'\n"
                         u"  Font.Height = -12\n"
                         u"  object lvItems: TListView\n"
                         u"    Columns = <\n"
                         u"      item\n"
                         u"        Caption = 'end'\n"
                         u"        Tag = 1.5E+3\n"
                         u"      end\n"
                         u"      item\n"
                         u"        SubItems = <\n"
                         u"          item\n"
                         u"          end>\n"
                         u"      end>\n"
                         u"    Items.Data = {\n"
                         u"      0A0B0C0D0E0F\n"
                         u"      1011}\n"
                         u"  end\n"
                         u"  inline Frame1: TFrame1\n"
                         u"  end\n"
                         u"end";

TEST_F(DFMFountainParserTest, WholeForm)
{
    EXPECT_EQ(colors(kForm),
        "<Reserve>object</Reserve><Ank>Form1</Ank><Symbol>:</Symbol><Ank>TForm1</Ank>\n"
        "<Ank>Caption</Ank><Symbol>=</Symbol><Str>'Form1'</Str><Str>#13</Str><Str>#10</Str><Str>'テスト'</Str>\n"
        "<Ank>Font</Ank><Symbol>.</Symbol><Ank>Height</Ank><Symbol>=</Symbol><Symbol>-</Symbol><Int>12</Int>\n"
        "<Reserve>object</Reserve><Ank>lvItems</Ank><Symbol>:</Symbol><Ank>TListView</Ank>\n"
        "<Ank>Columns</Ank><Symbol>=</Symbol><Symbol><</Symbol>\n"
        "<Ank>item</Ank>\n"
        "<Ank>Caption</Ank><Symbol>=</Symbol><Str>'end'</Str>\n"
        "<Ank>Tag</Ank><Symbol>=</Symbol><Int>1.5E+3</Int>\n"
        "<Ank>end</Ank>\n"
        "<Ank>item</Ank>\n"
        "<Ank>SubItems</Ank><Symbol>=</Symbol><Symbol><</Symbol>\n"
        "<Ank>item</Ank>\n"
        "<Ank>end</Ank><Symbol>></Symbol>\n"
        "<Ank>end</Ank><Symbol>></Symbol>\n"
        "<Ank>Items</Ank><Symbol>.</Symbol><Ank>Data</Ank><Symbol>=</Symbol><Bracket0>{</Bracket0>\n"
        "<Bracket0>0A0B0C0D0E0F</Bracket0>\n"
        "<Bracket0>1011}</Bracket0>\n"
        "<Reserve>end</Reserve>\n"
        "<Reserve>inline</Reserve><Ank>Frame1</Ank><Symbol>:</Symbol><Ank>TFrame1</Ank>\n"
        "<Reserve>end</Reserve>\n"
        "<Reserve>end</Reserve>");
}

// Every row scanned from its stored state gives what the full scan gave, however far up
// the pass starts (inside nested collections and hex blocks included); and after an edit,
// re-scanning only while the carried state changes gives the same as a full scan.
TEST_F(DFMFountainParserTest, RescanFromStoredStateMatchesFullScan)
{
    QStringList rows = rowsOf(kForm);
    // One scanner for the whole pass, as when the editor paints from the first row.
    const auto fullScan = [this](const QStringList& text) {
        std::vector<std::pair<std::string, int>> result; // tokens, packed state at the row end
        const auto parser = FFountain->CreateParser();
        TRowAttributeData state;
        for (const QString& row : text) {
            test::TTextSink sink(*FFountain, row, tdColor);
            state = parser->ScanRow(row, state, &sink);
            result.emplace_back(utf8(sink.Text), PackRowState(state));
        }
        return result;
    };
    auto stored = fullScan(rows);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const TRowAttributeData start =
            i == 0 ? TRowAttributeData{} : UnpackRowState(stored[std::size_t(i - 1)].second);
        const auto [tokens, next] = scanOne(*FFountain, rows[i], start);
        EXPECT_EQ(tokens, stored[std::size_t(i)].first) << "row " << i;
        EXPECT_EQ(PackRowState(next), stored[std::size_t(i)].second) << "row " << i;
    }

    // Edits as an editor applies them: change one row, re-scan it and the rows below
    // only while the state at a row end differs from the stored one.
    const std::pair<int, const char16_t*> edits[] = {
        {12, u"          end"},       // the inner collection no longer closes
        {4, u"    Columns = "},       // the outer collection no longer opens
        {14, u"    Items.Data = {}"}, // the hex block closes on its first row
        {1, u"  Caption = <'x'"},     // a collection opens far above
    };
    for (const auto& [at, text] : edits) {
        rows[at] = QString::fromUtf16(text);
        std::size_t row = std::size_t(at);
        TRowAttributeData state = row == 0 ? TRowAttributeData{} : UnpackRowState(stored[row - 1].second);
        for (; row < std::size_t(rows.size()); ++row) {
            const auto [tokens, next] = scanOne(*FFountain, rows[qsizetype(row)], state);
            const bool same = PackRowState(next) == stored[row].second;
            stored[row] = {tokens, PackRowState(next)};
            state = next;
            if (same && row > std::size_t(at))
                break;
        }
        EXPECT_EQ(stored, fullScan(rows)) << "after editing row " << at;
    }
}

} // namespace
} // namespace korvel
