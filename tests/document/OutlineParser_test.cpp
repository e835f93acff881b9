#include "document/OutlineParser.h"
#include "document/TextDecoding.h"

#include "document/support/DocumentTestUtil.h"

#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::test;

namespace {

struct HeaderCase {
    const char16_t* line;
    bool header;
    const char16_t* keyword;
    const char16_t* name;
    const char16_t* cls;
    const char16_t* text;
};

class MatchHeaderTest : public ::testing::TestWithParam<HeaderCase> { };

TEST_P(MatchHeaderTest, Classifies)
{
    const HeaderCase& c = GetParam();
    THeaderMatch m;
    ASSERT_EQ(MatchHeader(QString::fromUtf16(c.line), &m), c.header);
    EXPECT_EQ(MatchHeader(QString::fromUtf16(c.line)), c.header);
    if (!c.header)
        return;
    EXPECT_EQ(m.Keyword, QString::fromUtf16(c.keyword));
    EXPECT_EQ(m.ObjectName, QString::fromUtf16(c.name));
    EXPECT_EQ(m.ClassName, QString::fromUtf16(c.cls));
    EXPECT_EQ(m.HeaderText, QString::fromUtf16(c.text));
    // Keyword, gap and text are the line itself without its indentation.
    EXPECT_EQ(m.Keyword + m.KeywordGap + m.HeaderText, TrimControl(QString::fromUtf16(c.line)));
}

INSTANTIATE_TEST_SUITE_P(OutlineParser, MatchHeaderTest,
    ::testing::Values(HeaderCase{u"object Form1: TForm1", true, u"object", u"Form1", u"TForm1", u"Form1: TForm1"},
        HeaderCase{u"  inherited Button1: TButton [2]", true, u"inherited", u"Button1", u"TButton [2]",
            u"Button1: TButton [2]"},
        HeaderCase{u"    inline Frame1: TFrame1 [1] [2]", true, u"inline", u"Frame1", u"TFrame1 [1] [2]",
            u"Frame1: TFrame1 [1] [2]"},
        HeaderCase{u"object Btn: TButton [2]x [3]", true, u"object", u"Btn", u"TButton [2]", u"Btn: TButton [2]x [3]"},
        HeaderCase{u"object Btn: TButton [x]", true, u"object", u"Btn", u"TButton", u"Btn: TButton [x]"},
        HeaderCase{u"object TMenuItem", true, u"object", u"", u"TMenuItem", u"TMenuItem"},
        HeaderCase{u"object TMenuItem [3]", true, u"object", u"", u"TMenuItem", u"TMenuItem [3]"},
        HeaderCase{u"object Form1:TForm1", true, u"object", u"Form1", u"TForm1", u"Form1:TForm1"},
        HeaderCase{u"object Form1 :\tTForm1[2]", true, u"object", u"Form1", u"TForm1[2]", u"Form1 :\tTForm1[2]"},
        HeaderCase{u"object  Form1: TForm1", true, u"object", u"Form1", u"TForm1", u"Form1: TForm1"},
        HeaderCase{u"\t\tobject\tForm1: TForm1", true, u"object", u"Form1", u"TForm1", u"Form1: TForm1"},
        HeaderCase{u"OBJECT Form1: TForm1", true, u"OBJECT", u"Form1", u"TForm1", u"Form1: TForm1"},
        HeaderCase{u"  Inherited B: TB", true, u"Inherited", u"B", u"TB", u"B: TB"},
        HeaderCase{u"INLINE F: TF", true, u"INLINE", u"F", u"TF", u"F: TF"},
        HeaderCase{u"object Btn: 1Class", true, u"object", u"", u"Btn", u"Btn: 1Class"},
        HeaderCase{u"object Btn:", true, u"object", u"", u"Btn", u"Btn:"},
        HeaderCase{u"object Form1: TForm1 \t ", true, u"object", u"Form1", u"TForm1", u"Form1: TForm1"},
        HeaderCase{u"object Forme\u0301: TForm", true, u"object", u"", u"Forme", u"Forme\u0301: TForm"},
        HeaderCase{u"object Formé1: TFormé", true, u"object", u"Formé1", u"TFormé", u"Formé1: TFormé"},
        HeaderCase{u"object Édition: TÉdition", true, u"object", u"Édition", u"TÉdition", u"Édition: TÉdition"},
        HeaderCase{u"object ボタン1: Tボタン", true, u"object", u"ボタン1", u"Tボタン", u"ボタン1: Tボタン"},
        HeaderCase{u"object \U0001D49C: \U0001D49C\U0001D49C", true, u"object", u"\U0001D49C", u"\U0001D49C\U0001D49C",
            u"\U0001D49C: \U0001D49C\U0001D49C"},
        HeaderCase{u"object _x١: T [١٢]", true, u"object", u"_x١", u"T [١٢]", u"_x١: T [١٢]"},
        HeaderCase{u"objects Form1: TForm1", false, u"", u"", u"", u""},
        HeaderCase{u"inlined F: TF", false, u"", u"", u"", u""},
        HeaderCase{u"object 1Form: TForm", false, u"", u"", u"", u""},
        HeaderCase{u"object ²x: TForm", false, u"", u"", u"", u""},
        HeaderCase{u"objectForm1: TForm1", false, u"", u"", u"", u""}, HeaderCase{u"object", false, u"", u"", u"", u""},
        HeaderCase{u"object ", false, u"", u"", u"", u""}, HeaderCase{u"  end", false, u"", u"", u"", u""}));

struct LineCase {
    const char16_t* trimmed;
    bool start;
    bool end;
};

class CollectionTest : public ::testing::TestWithParam<LineCase> { };

TEST_P(CollectionTest, Classifies)
{
    const LineCase& c = GetParam();
    EXPECT_EQ(IsCollectionStart(QString::fromUtf16(c.trimmed)), c.start);
    EXPECT_EQ(IsCollectionEnd(QString::fromUtf16(c.trimmed)), c.end);
}

INSTANTIATE_TEST_SUITE_P(OutlineParser, CollectionTest,
    ::testing::Values(LineCase{u"Items = <", true, false}, LineCase{u"Items = <>", true, true},
        LineCase{u"Items = <item", true, false}, LineCase{u"View.Brackets = <", true, false},
        LineCase{u"View..Brackets = <", true, false}, LineCase{u"View. = <", true, false},
        LineCase{u"_a1.b_2 = <", true, false}, LineCase{u"Itemsé = <", true, false},
        LineCase{u"Foo.1Bar = <", false, false}, LineCase{u"Foo.éBar = <", false, false},
        LineCase{u"éItems = <", false, false}, LineCase{u"1Items = <", false, false}, LineCase{u"Items=<", true, false},
        LineCase{u"Items  =\t<", true, false}, LineCase{u"A.B=<>", true, true}, LineCase{u"Items = x<", false, false},
        LineCase{u"Items <", false, false}, LineCase{u"Items = ", false, false}, LineCase{u"Items.", false, false},
        LineCase{u"end>", false, true}, LineCase{u"end>  ", false, true}, LineCase{u"> x", false, false},
        LineCase{u"", false, false}));

TEST(OutlineParser, TrimControlRemovesCodesUpTo32)
{
    EXPECT_EQ(TrimControl(u"\t\x01 end \r\x1f"), u"end");
    EXPECT_EQ(TrimControl(u" \u3000x "), u"\u3000x");
    EXPECT_EQ(NodeCaption(QStringLiteral(" \t")), QStringLiteral("(名前なし)"));
    EXPECT_EQ(NodeCaption(QStringLiteral("Btn"), QStringLiteral("?")), QStringLiteral("Btn"));
}

struct ParseCase {
    const char* name;
    QStringList lines;
    QStringList dump;
    // "caption:TrailBegin+TrailCount" of every node with trail lines, in tree order.
    QStringList trails = {};
    // "caption:EndText" of every node whose end line is not "end".
    QStringList ends = {};
};

class ParseOutlineTest : public ::testing::TestWithParam<ParseCase> { };

TEST_P(ParseOutlineTest, BuildsTree)
{
    // Each case is parsed as UTF-16 lines and, when ASCII, as lines kept in the
    // loaded bytes (the way a plain ASCII file is held): both give the same tree.
    const QStringList& source = GetParam().lines;
    std::vector<TTextLines> forms{TTextLines(source)};
    const QByteArray bytes = source.join(QStringLiteral("\r\n")).toLatin1();
    std::vector<TLineLoss> losses;
    if (!ContainsNonAscii(QByteArrayView(bytes)))
        forms.push_back(DecodeTextLines(bytes, TTextEncoding::tenAnsi, losses));
    for (const TTextLines& lines : forms) {
        SCOPED_TRACE(lines.isLatin1() ? "bytes" : "UTF-16");
        TComponentTree tree;
        ParseOutline(lines, tree);
        EXPECT_EQ(joined(DumpTree(tree)), joined(GetParam().dump));
        QStringList trails;
        QStringList ends;
        for (int64_t i = 0; i < tree.count(); ++i) {
            const TTreeNode* n = tree.GetNodeFromIndex(i);
            const TPROPREC& r = n->record();
            if (r.TrailCount != 0)
                trails.append(QStringLiteral("%1:%2+%3").arg(n->caption()).arg(r.TrailBegin).arg(r.TrailCount));
            if (r.EndText != u"end")
                ends.append(n->caption() + u':' + r.EndText);
        }
        EXPECT_EQ(joined(trails), joined(GetParam().trails));
        EXPECT_EQ(joined(ends), joined(GetParam().ends));
    }
}

const ParseCase kParseCases[] = {
    {"Nested",
        {"object Form1: TForm1", "  Left = 0", "  object Panel1: TPanel", "    Top = 1",
            "    object Button1: TButton [2]", "    end", "  end", "  object L: TLabel", "  end", "end"},
        {"Form1: TForm1 [1..1] Indent=0", "  Panel1: TPanel [3..3] Indent=2",
            "    Button1: TButton [2] [5..4] Indent=4", "  L: TLabel [8..7] Indent=2"}},
    {"Collections",
        {"object F: TF", "  Items = <", "    item", "      Cols = <", "        item", "        end>",
            "      Caption = 'x'", "    end", "    item", "    end>", "  Tag = 1", "  object B: TB", "  end", "end"},
        {"F: TF [1..10] Indent=0", "  B: TB [12..11] Indent=2"}},
    {"EmptyCollectionOnOneLine", {"object F: TF", "  Items = <>", "  object B: TB", "  end", "end"},
        {"F: TF [1..1] Indent=0", "  B: TB [3..2] Indent=2"}},
    {"HeaderInsideCollectionStillOpensABlock",
        {"object F: TF", "  Items = <", "  object B: TB", "  end", "  end>", "end", "end"},
        {"F: TF [1..1] Indent=0", "  B: TB [3..4] Indent=2"}},
    {"UnclosedCollectionNestsLaterBlocks", {"object F: TF", "  Items = <", "  end", "end", "object G: TG", "end"},
        {"F: TF [1..3] Indent=0", "  G: TG [5..5] Indent=2"}},
    {"StrayEndIsKeptAsTrail", {"end", "object F: TF", "end", "  end", "object G: TG", "  X = 1", "end", "tail", "end"},
        {"F: TF [2..1] Indent=0", "G: TG [5..5] Indent=0"}, {"F:3+1", "G:7+2"}},
    {"PropertyAfterChildBlockIsTheChildsTrail",
        {"object F: TF", "  object A: TA", "    object B: TB", "    end", "    Y = 2", "  end", "  X = 1",
            "  Items = <", "    item", "    end>", "  object C: TC", "  end", "end"},
        {"F: TF [1..0] Indent=0", "  A: TA [2..1] Indent=2", "    B: TB [3..2] Indent=4", "  C: TC [11..10] Indent=2"},
        {"A:6+4", "B:4+1"}},
    {"TabsCapsAndDoubleBlanks",
        {"OBJECT Form1: TForm1", "\tLeft = 0", "\tobject  Panel1 : TPanel", "\t\tItems=<", "\t\t\tITEM", "\t\t\tEND>",
            "\t\tInherited\tB1: TButton [2]", "\t\tEnd", "\t\tinline F1:TFrame", "\t\t\tobject\tTMenuItem", "\t\t\tEND",
            "\t\tend", "\tEND", "\tObject L: TLabel", "\tend", "end"},
        {"Form1: TForm1 [1..1] Indent=0", "  Panel1: TPanel [3..5] Indent=2", "    B1: TButton [2] [7..6] Indent=4",
            "    F1: TFrame [9..8] Indent=4", "      (名前なし): TMenuItem [10..9] Indent=6",
            "  L: TLabel [14..13] Indent=2"},
        {}, {"Panel1:END", "B1:End", "(名前なし):END"}},
    {"OpenBlockEndsAtLastLine", {"object F: TF", "  A = 1", "  object B: TB", "    C = 2", "", "  "},
        {"F: TF [1..1] Indent=0", "  B: TB [3..5] Indent=2"}},
    {"FourSpacesPerLevelAndBlankLines",
        {"", "object F: TF", "", "    object B: TB", "        X = 1", "    end", "", "end"},
        {"F: TF [2..2] Indent=0", "  B: TB [4..4] Indent=2"}, {"B:6+1"}},
    {"NamelessAndUnicodeNames",
        {"object フォーム: TForm", "  object TMenuItem [3]", "  end", "  inherited Édit: TEdit", "  end", "end"},
        {"フォーム: TForm [1..0] Indent=0", "  (名前なし): TMenuItem [2..1] Indent=2",
            "  Édit: TEdit [4..3] Indent=2"}},
    {"NoHeaderAtAll", {"unit Unit1;", "end."}, {}},
    {"Empty", {}, {}},
};

INSTANTIATE_TEST_SUITE_P(OutlineParser, ParseOutlineTest, ::testing::ValuesIn(kParseCases),
    [](const auto& test) { return std::string(test.param.name); });

TEST(OutlineParser, RecordsKeepKeywordHeaderTextAndImages)
{
    TComponentTree tree;
    ParseOutline({"inherited F: TF", "  inline Fr: TFrame [1]  ", "  end", "  object TItem [3]", "  end", "end",
                     "object G: TG", "end"},
        tree, QStringLiteral("<none>"));
    const TTreeNode* f = tree.topLevel(0);
    EXPECT_EQ(f->record().Keyword, u"inherited");
    EXPECT_EQ(f->record().HeaderText, u"F: TF");
    EXPECT_EQ(f->imageIndex(), 0);
    EXPECT_EQ(f->child(0)->record().Keyword, u"inline");
    EXPECT_EQ(f->child(0)->record().HeaderText, u"Fr: TFrame [1]");
    EXPECT_EQ(f->child(0)->imageIndex(), 1);
    EXPECT_EQ(f->child(1)->caption(), u"<none>");
    EXPECT_EQ(f->child(1)->record().HeaderText, u"TItem [3]");
    EXPECT_EQ(tree.topLevel(1)->imageIndex(), 0);
    EXPECT_FALSE(f->record().Modified);
}

TEST(OutlineParser, HundredThousandNestedHeaders)
{
    constexpr int kDepth = 100000;
    QStringList lines;
    for (int i = 0; i < kDepth; ++i)
        lines.append(QStringLiteral("object A: TA"));
    for (int i = 0; i < kDepth; ++i)
        lines.append(QStringLiteral("end"));
    TComponentTree tree;
    ParseOutline(lines, tree);
    EXPECT_EQ(tree.count(), kDepth);
    const TTreeNode* deepest = tree.GetNodeFromIndex(kDepth - 1);
    EXPECT_EQ(deepest->record().Indent, 2u * (kDepth - 1));
    EXPECT_EQ(deepest->record().EndLine, uint32_t(kDepth - 1));
}

} // namespace
