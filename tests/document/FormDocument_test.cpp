#include "document/FormDocument.h"

#include "convert/TextToBinary.h"
#include "convert/support/BinaryBuilder.h"
#include "document/OutlineParser.h"
#include "document/PropertyCodec.h"
#include "document/TreeMoves.h"
#include "document/support/DocumentTestUtil.h"
#include "document/support/TreeShape.h"

#include <QFileInfo>

#include <thread>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace korvel;
using namespace korvel::test;

namespace {

const QByteArray kSample = crlfBytes({
    "object Form1: TForm1",
    "  Left = 0",
    "  Caption = 'A'",
    "  object Panel1: TPanel",
    "    Top = 1",
    "    Items = <",
    "      item",
    "        Text = 'x'",
    "      end>",
    "    object Button1: TButton [2]",
    "      Left = 8",
    "      Picture.Data = {",
    "        0A0B0C}",
    "    end",
    "  end",
    "  inherited Frame1: TFrame1",
    "  end",
    "  object TMenuItem [3]",
    "  end",
    "end",
});

// A binary form: resource header and stream of Form1: TForm1 { Left = 8; Button1: TButton }.
QByteArray binaryForm(QByteArray rootName = "Form1", QByteArray childName = "Button1")
{
    BinaryBuilder s;
    s.Signature().Object("TForm1", rootName).Prop("Left").Int(8).End();
    s.Object("TButton", childName).Prop("Caption").String("OK").End().End();
    s.End();
    return BinaryBuilder::Header16("TFORM1", uint32_t(s.bytes().size())) + s.bytes();
}

QByteArray utf16be(const char16_t* text)
{
    QByteArray b;
    for (const char16_t* p = text; *p; ++p)
        b.append(char(*p >> 8)).append(char(*p & 0xFF));
    return b;
}

QByteArray utf16le(const char16_t* text)
{
    QByteArray b;
    for (const char16_t* p = text; *p; ++p)
        b.append(char(*p & 0xFF)).append(char(*p >> 8));
    return b;
}

// The binary form the converter makes of a text, or "" when it rejects the text.
QByteArray converted(const QByteArray& text)
{
    ByteStream in(text), out;
    try {
        TextToResource(in, out);
    } catch (const EKorvelError&) {
        return {};
    }
    return out.data();
}

class FormDocumentTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QString write(const char* name, const QByteArray& bytes) const
    {
        const QString p = path(name);
        writeAll(p, bytes);
        return p;
    }

    QTemporaryDir dir;
    CodePageScope codePage{1252};
    TFormDocument doc;
};

// --- opening -------------------------------------------------------------------

TEST_F(FormDocumentTest, ResolveRequestedFile)
{
    for (const char* f : {"Form1.dfm", "Form1.fmx", "Form1.xfm", "Form2.fmx", "Form3.xfm", "Main.DFM", "Unit1.txt",
             "noext", "Form5.pas"})
        write(f, kSample);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Dir.dfm")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Form6.dfm")));
    const struct {
        const char* requested;
        const char* expected; // "" for not found
    } cases[] = {
        {"Form1.PAS", "Form1.dfm"},
        {"Form2.pas", "Form2.fmx"},
        {"Form3.cpp", "Form3.xfm"},
        {"Form3.h", "Form3.xfm"},
        {"Form4.pas", ""},
        {"Main.DFM", "Main.DFM"},
        {"Form1.dfm", "Form1.dfm"},
        {"Form1.Xfm", ""},
        {"Unit1.txt", ""},
        {"noext", ""},
        {"Dir.dfm", ""},
        {"Form6.pas", ""},
        {"Form5.PAS.dfm", ""},
    };
    for (const auto& c : cases) {
        const QString expected = *c.expected ? path(c.expected) : QString();
        EXPECT_EQ(ResolveRequestedFile(path(c.requested)), expected) << c.requested;
    }
    EXPECT_EQ(doc.OpenRequestedFile(path("Unit1.txt")), TOpenOutcome::NotFound);
    EXPECT_FALSE(doc.IsLoaded());
    EXPECT_EQ(doc.OpenRequestedFile(path("Form1.pas")), TOpenOutcome::Loaded);
    EXPECT_EQ(doc.OrgFileName(), path("Form1.dfm"));
}

// --- loading -------------------------------------------------------------------

struct LoadCase {
    const char* name;
    QByteArray bytes;
    TStreamOriginalFormat format;
    bool beta;
    const char16_t* firstLine; // nullptr: no lines
    int nodes;
};

class LoadTest : public FormDocumentTest, public ::testing::WithParamInterface<LoadCase> { };

TEST_P(LoadTest, DecodesByFormat)
{
    const LoadCase& c = GetParam();
    doc.SetAutoDecode(c.beta); // every load sets it afresh
    doc.LoadFormBytes(QStringLiteral("x.dfm"), c.bytes);
    EXPECT_EQ(doc.Format(), c.format);
    EXPECT_EQ(doc.BetaText(), c.beta);
    EXPECT_EQ(doc.AutoDecode(), !c.beta);
    if (c.firstLine) {
        ASSERT_FALSE(doc.OrgFile().isEmpty());
        EXPECT_EQ(doc.OrgFile().first(), QString::fromUtf16(c.firstLine));
    } else {
        EXPECT_TRUE(doc.OrgFile().isEmpty());
    }
    EXPECT_EQ(doc.Tree().count(), c.nodes);
    EXPECT_EQ(doc.OrgBinFile().data(), c.bytes);
    EXPECT_EQ(doc.OrgBinFile().position(), 0);
    EXPECT_TRUE(doc.IsLoaded());
}

const LoadCase kLoadCases[] = {
    {"AsciiText", "object F: TF\r\n  Caption = #233\r\nend\r\n", sofText, false, u"object F: TF", 1},
    {"AnsiText", "object F: TF\n  Caption = '\xE9'\nend", sofText, true, u"object F: TF", 1},
    {"Utf8WithMark",
        "\xEF\xBB\xBF"
        "object F: TF\r\n  C = '\xC3\xA9'\r\nend\r\n",
        sofUTF8Text, true, u"object F: TF", 1},
    {"Utf8WithoutMarkIsAnsi", "object F\xC3\xA9: TF\r\nend\r\n", sofText, true, u"object F\u00C3\u00A9: TF", 1},
    {"Utf8Invalid",
        "\xEF\xBB\xBF"
        "object F: TF\r\n\xC3(\r\nend\r\n",
        sofUTF8Text, true, u"object F: TF", 1},
    {"Utf16BigEndian", utf16be(u"\uFEFFobject F: TF\nend"), sofText, true, u"object F: TF", 1},
    {"SourceFileText", "unit Unit1;\r\ninterface\r\n", sofUnknown, false, u"unit Unit1;", 0},
    {"Binary", binaryForm(), sofBinary, false, u"object Form1: TForm1", 2},
    {"BinaryUtf8Names", binaryForm("F\xC3\xA9"), sofBinary, true, u"object F\u00E9: TForm1", 2},
};

INSTANTIATE_TEST_SUITE_P(FormDocument, LoadTest, ::testing::ValuesIn(kLoadCases),
    [](const auto& test) { return std::string(test.param.name); });

// The window prepares a load on a worker thread and installs it on its own: the
// document ends as a direct load leaves it, and the prepared half's errors are
// those of the load.
TEST_F(FormDocumentTest, LoadPreparedOnAnotherThread)
{
    const QString file = write("A.dfm", kSample);
    std::unique_ptr<TPreparedLoad> prepared;
    std::thread worker([&] { prepared = TFormDocument::PrepareLoadFile(file, QStringLiteral("-")); });
    worker.join();
    ASSERT_TRUE(prepared);
    doc.InstallLoad(std::move(prepared));
    TFormDocument direct;
    direct.SetNoNameText(QStringLiteral("-"));
    direct.LoadFormFile(file);
    EXPECT_EQ(doc.OrgFile().toStringList(), direct.OrgFile().toStringList());
    EXPECT_EQ(joined(DumpTree(doc.Tree())), joined(DumpTree(direct.Tree())));
    EXPECT_EQ(doc.SaveBytes(), direct.SaveBytes());
    EXPECT_EQ(doc.OrgFileName(), file);
    EXPECT_TRUE(doc.IsLoaded());
    EXPECT_KORVEL_ERROR(TFormDocument::PrepareLoadFile(path("Missing.dfm"), QString()), EFileError,
        path("Missing.dfm") + QStringLiteral(": No such file or directory"));
}

TEST_F(FormDocumentTest, FailedLoadChangesNothing)
{
    const QString a = write("A.dfm", kSample);
    doc.LoadFormFile(a);
    doc.SaveAs(path("B.dfm"));
    doc.SetAutoDecode(false);
    const QStringList lines = doc.OrgFile().toStringList();
    const TTreeNode* first = doc.Tree().firstNode();

    const QString empty = write("Empty.dfm", "");
    const QString broken = write("Broken.dfm", BinaryBuilder::Header16("X", 9) + "TPF0\x06TX");
    EXPECT_KORVEL_ERROR(doc.LoadFormFile(empty), EReadError, QStringLiteral("ストリームからの読み取りエラー"));
    EXPECT_KORVEL_ERROR(doc.LoadFormFile(broken), EReadError, QStringLiteral("ストリームからの読み取りエラー"));
    EXPECT_KORVEL_ERROR(doc.LoadFormFile(path("Missing.dfm")), EFileError,
        path("Missing.dfm") + QStringLiteral(": No such file or directory"));
    EXPECT_KORVEL_ERROR(
        doc.LoadFormFile(dir.path()), EFileError, dir.path() + QStringLiteral(": フォルダーは開けません"));

    EXPECT_EQ(doc.OrgBinFile().data(), kSample);
    EXPECT_EQ(doc.Format(), sofText);
    EXPECT_EQ(doc.OrgFile().toStringList(), lines);
    EXPECT_EQ(doc.OrgFileName(), a);
    EXPECT_EQ(doc.ModFileName(), path("B.dfm"));
    EXPECT_FALSE(doc.AutoDecode());
    EXPECT_EQ(doc.Tree().firstNode(), first);
    // So the backup still goes where it belongs, with the right bytes.
    doc.RestoreBackup();
    EXPECT_EQ(readAll(path("B.dfm")), kSample);
}

TEST_F(FormDocumentTest, ReloadReplacesTree)
{
    doc.LoadFormBytes(QStringLiteral("a.dfm"), kSample);
    EXPECT_EQ(joined(DumpTree(doc.Tree())),
        "Form1: TForm1 [1..2] Indent=0|  Panel1: TPanel [4..8] Indent=2|"
        "    Button1: TButton [2] [10..12] Indent=4|  Frame1: TFrame1 [16..15] Indent=2|"
        "  (名前なし): TMenuItem [18..17] Indent=2");
    doc.LoadFormBytes(QStringLiteral("a.dfm"), kSample);
    EXPECT_EQ(doc.Tree().count(), 5);
}

// --- regeneration --------------------------------------------------------------

TEST_F(FormDocumentTest, UnchangedTextIsReproduced)
{
    doc.LoadFormBytes(QStringLiteral("a.dfm"), kSample);
    EXPECT_EQ(doc.SaveBytes(), kSample);
    QByteArray lf = kSample;
    lf.replace("\r\n", "\n");
    doc.LoadFormBytes(QStringLiteral("a.dfm"), lf);
    EXPECT_EQ(doc.SaveBytes(), kSample);
}

// An unchanged load → save keeps every component and every line of any valid
// layout; the converter reads the saved text as it read the loaded one.
struct KeepCase {
    const char* name;
    QByteArray bytes;
    int components;
    QByteArray saved; // empty: the loaded bytes themselves
    bool convertible; // a form the converter reads: it reads the saved text alike
};

class KeepTest : public FormDocumentTest, public ::testing::WithParamInterface<KeepCase> { };

TEST_P(KeepTest, UnchangedSaveKeepsEverything)
{
    const KeepCase& c = GetParam();
    doc.LoadFormBytes(QStringLiteral("k.dfm"), c.bytes);
    EXPECT_TRUE(doc.LoadWarnings().empty());
    EXPECT_EQ(doc.Tree().count(), c.components);
    const QByteArray saved = doc.SaveBytes();
    EXPECT_EQ(saved, c.saved.isEmpty() ? c.bytes : c.saved);
    TFormDocument again;
    again.LoadFormBytes(QStringLiteral("k.dfm"), saved);
    EXPECT_EQ(again.Tree().count(), c.components);
    EXPECT_EQ(again.SaveBytes(), saved);
    if (c.convertible) {
        ASSERT_FALSE(converted(c.bytes).isEmpty());
        EXPECT_EQ(hex(converted(saved)), hex(converted(c.bytes)));
    }
}

const KeepCase kKeepCases[] = {
    {"TabsCapsAndGaps",
        crlfBytes({"OBJECT Form1: TForm1", "\tLeft = 0", "\tobject  Panel1 : TPanel", "\t\tItems=<", "\t\t\tITEM",
            "\t\t\t\tCaption = 'x'", "\t\t\tEND>", "\t\tInherited\tB1: TButton [2]", "\t\t\tTag = 1", "\t\tEnd",
            "\tEND", "\tObject L: TLabel", "\t\tobject  TMenuItem", "\t\tend", "\tend", "end"}),
        5,
        crlfBytes({"OBJECT Form1: TForm1", "  Left = 0", "  object  Panel1 : TPanel", "    Items=<", "    \tITEM",
            "    \t\tCaption = 'x'", "    \tEND>", "    Inherited\tB1: TButton [2]", "      Tag = 1", "    End",
            "  END", "  Object L: TLabel", "    object  TMenuItem", "    end", "  end", "end"}),
        true},
    {"SpacesCapsAndGaps",
        crlfBytes({"object  Form1 :  TForm1", "  Left = 0", "  INHERITED Panel1:TPanel", "    Items  =  <",
            "      item", "      END>", "    OBJECT   B1: TButton", "    End", "  END", "  Inline L: TLabel",
            "    object\tTMenuItem", "    end", "  end", "end"}),
        5, {}, true},
    {"UnplacedLinesStayWhereTheyStood",
        crlfBytes({"", "{ before }", "object F: TF", "  object A: TA", "    object B: TB", "    end", "    Y = 2",
            "  end", "  X = 1", "  object C: TC", "  end", "end", "end", "after", "", "object G: TG", "end", "  "}),
        5, {}, false},
};

INSTANTIATE_TEST_SUITE_P(FormDocument, KeepTest, ::testing::ValuesIn(kKeepCases),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(FormDocumentTest, TrailLinesMoveWithTheirBlock)
{
    doc.LoadFormBytes(QStringLiteral("a.dfm"),
        crlfBytes({"object F: TF", "  object A: TA", "  end", "  X = 1", "  object B: TB", "  end", "end", "tail"}));
    ASSERT_TRUE(MoveDown(doc.Tree(), find(doc.Tree(), "A")));
    EXPECT_EQ(joined(doc.RegenerateLines()), "object F: TF|  object B: TB|  end|  object A: TA|  end|  X = 1|end|tail");
    // The clipboard copy of a block holds its children's trails, not its own.
    EXPECT_EQ(doc.ClipboardText(find(doc.Tree(), "F")).count(u"tail"), 0);
    EXPECT_EQ(doc.ClipboardText(find(doc.Tree(), "F")).count(u"X = 1"), 1);
}

// Lines a load cannot keep are reported, and a save refuses them, writing nothing.
TEST_F(FormDocumentTest, UnloadedLinesRefuseTheSave)
{
    const struct {
        const char* name;
        QByteArray bytes;
        const char16_t* warning;
        const char16_t* error;
    } cases[] = {
        {"NulInLine", QByteArray("object F: TF\r\n  A = 'x\0y'\r\nend\r\n", 26),
            u"2 行目の NUL 文字から後は読み込まれていません:   A = 'x",
            u"2 行目が読み込まれていないため保存できません:   A = 'x"},
        {"NulAtLineStart", QByteArray("object F: TF\r\n\0end\r\n", 20),
            u"2 行目の NUL 文字から後は読み込まれていません: ", u"2 行目が読み込まれていないため保存できません: "},
        {"InvalidUtf8",
            "\xEF\xBB\xBF"
            "object F: TF\r\n  A = '\xC3('\r\nend\r\n",
            u"2 行目の UTF-8 ではないバイトは U+FFFD に置き換えられました:   A = '\uFFFD('",
            u"2 行目が読み込まれていないため保存できません:   A = '\uFFFD('"},
        {"OddUtf16Byte", "\xFF\xFE" + utf16le(u"object F: TF\r\nend") + "A",
            u"2 行目の後の半端な 1 バイトは読み込まれていません: end",
            u"2 行目が読み込まれていないため保存できません: end"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString p = write("W.dfm", c.bytes);
        doc.LoadFormFile(p);
        EXPECT_EQ(doc.Tree().count(), 1);
        ASSERT_EQ(doc.LoadWarnings().size(), 1u);
        EXPECT_EQ(doc.LoadWarnings()[0].Message, QString::fromUtf16(c.warning));
        EXPECT_KORVEL_ERROR(doc.Save(), EDocumentError, QString::fromUtf16(c.error));
        EXPECT_EQ(readAll(p), c.bytes);
        doc.LoadFormBytes(p, kSample); // the next load starts without warnings
        EXPECT_TRUE(doc.LoadWarnings().empty());
    }
}

// A text is saved in the encoding it was loaded in, so every character survives.
TEST_F(FormDocumentTest, SaveKeepsTheTextEncoding)
{
    const char16_t text[] = u"object F: TF\r\n  C = '\u3042\U0001F600\u20AC\xDC00'\r\nend\r\n";
    const struct {
        QByteArray bytes;
        TTextEncoding encoding;
        QByteArray edited; // after applying "C = 'い'"
    } cases[] = {
        {"\xFF\xFE" + utf16le(text), TTextEncoding::tenUtf16LE,
            "\xFF\xFE" + utf16le(u"object F: TF\r\n  C = '\u3044'\r\nend\r\n")},
        {"\xFE\xFF" + utf16be(text), TTextEncoding::tenUtf16BE,
            "\xFE\xFF" + utf16be(u"object F: TF\r\n  C = '\u3044'\r\nend\r\n")},
        {"\xEF\xBB\xBF" + QString::fromUtf16(u"object F: TF\r\n  C = '\u3042\U0001F600'\r\nend\r\n").toUtf8(),
            TTextEncoding::tenUtf8Bom,
            "\xEF\xBB\xBF"
            "object F: TF\r\n  C = '\xE3\x81\x84'\r\nend\r\n"},
        {"object F: TF\r\n  C = '\xE9\x81'\r\nend\r\n", TTextEncoding::tenAnsi, "object F: TF\r\n  C = '?'\r\nend\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(hex(c.bytes.left(4)));
        const QString p = write("E.dfm", c.bytes);
        doc.LoadFormFile(p);
        EXPECT_EQ(doc.Encoding(), c.encoding);
        EXPECT_TRUE(doc.LoadWarnings().empty());
        doc.Save();
        EXPECT_EQ(hex(readAll(p)), hex(c.bytes));
        find(doc.Tree(), "F")->record().Modified = true;
        find(doc.Tree(), "F")->record().ModProperties = QStringLiteral("C = 'い'");
        doc.Save();
        EXPECT_EQ(hex(readAll(p)), hex(c.edited));
    }
}

// A save replaces regular files only: a symbolic link keeps pointing at its
// target, which is replaced with its mode kept; anything else is refused untouched.
TEST_F(FormDocumentTest, SaveTargets)
{
    doc.LoadFormBytes(QStringLiteral("a.dfm"), kSample);
    const QString target = write("target.dfm", "old");
    ASSERT_TRUE(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QString link = path("link.dfm");
    ASSERT_TRUE(QFile::link(target, link));
    doc.SaveFormFile(link);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), target);
    EXPECT_EQ(readAll(target), kSample);
    EXPECT_EQ(QFileInfo(target).permissions(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup);

    const QString fifo = path("fifo.dfm");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString fifoLink = path("fifolink.dfm");
    ASSERT_TRUE(QFile::link(fifo, fifoLink));
    for (const QString& refused : {fifo, fifoLink, QStringLiteral("/dev/null"), dir.path()}) {
        EXPECT_KORVEL_ERROR(doc.SaveFormFile(refused), EFileError,
            refused + QStringLiteral(": 通常のファイルではないため保存できません"));
    }
    EXPECT_FALSE(QFileInfo(fifo).isFile());
    EXPECT_TRUE(QFileInfo(fifoLink).isSymLink());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot).size(), 4);
}

TEST_F(FormDocumentTest, MovesAndAppliedTextAreWritten)
{
    doc.LoadFormBytes(QStringLiteral("a.dfm"), kSample);
    TComponentTree& tree = doc.Tree();
    ASSERT_TRUE(MoveOneLevelUp(tree, find(tree, "Button1")));
    ASSERT_TRUE(MoveUp(tree, find(tree, "Frame1")));
    find(tree, "Panel1")->record().Modified = true;
    find(tree, "Panel1")->record().ModProperties = QStringLiteral("Top = 2\r\n\r\n  Tag = 1\r\n");
    find(tree, "Frame1")->record().Modified = true; // applied empty text
    EXPECT_EQ(doc.SaveBytes(),
        crlfBytes({
            "object Form1: TForm1",
            "  Left = 0",
            "  Caption = 'A'",
            "  inherited Frame1: TFrame1",
            "  end",
            "  object Panel1: TPanel",
            "    Top = 2",
            "    ",
            "      Tag = 1",
            "  end",
            "  object TMenuItem [3]",
            "  end",
            "  object Button1: TButton [2]",
            "    Left = 8",
            "    Picture.Data = {",
            "      0A0B0C}",
            "  end",
            "end",
        }));
    // Every record is unchanged by the moves.
    EXPECT_EQ(find(tree, "Button1")->record().Indent, 4u);
    EXPECT_EQ(find(tree, "Button1")->record().BeginLine, 10u);
}

TEST_F(FormDocumentTest, RegenerationMatchesThePropertyCodecCut)
{
    // The lines regeneration writes are GetNodeProperties' text split at its breaks.
    const QByteArray text =
        crlfBytes({"object F: TF", "   A = 1", " B", "", "  object G: TG", "      deep", "", "    ", "  end", "end"});
    doc.LoadFormBytes(QStringLiteral("a.dfm"), text);
    for (int64_t i = 0; i < doc.Tree().count(); ++i) {
        const TTreeNode* n = doc.Tree().GetNodeFromIndex(i);
        QStringList viaCodec;
        const QString props = GetNodeProperties(doc.OrgFile(), &n->record());
        const QString pad(2 * (n->depth() + 1), u' ');
        for (const QString& l : props.split(QStringLiteral("\r\n")))
            viaCodec.append(pad + l);
        if (props.isEmpty() || props.endsWith(QStringLiteral("\r\n")))
            viaCodec.removeLast();
        QStringList lines;
        doc.BuildNodeText(n, lines);
        EXPECT_EQ(lines.mid(1, viaCodec.size()), viaCodec) << i;
    }
    EXPECT_EQ(joined(doc.RegenerateLines()), "object F: TF|   A = 1|  B|  object G: TG|      deep|    |  end|end");
}

TEST_F(FormDocumentTest, TextDocumentKeepsEveryTopLevelBlock)
{
    doc.LoadFormBytes(QStringLiteral("a.dfm"), crlfBytes({"object A: TA", "end", "object B: TB", "  X = 1", "end"}));
    ASSERT_TRUE(MoveDown(doc.Tree(), doc.Tree().topLevel(0)));
    EXPECT_EQ(doc.SaveBytes(), crlfBytes({"object B: TB", "  X = 1", "end", "object A: TA", "end"}));
}

TEST_F(FormDocumentTest, ClipboardTextKeepsDepth)
{
    doc.LoadFormBytes(QStringLiteral("a.dfm"), kSample);
    TTreeNode* panel = find(doc.Tree(), "Panel1");
    find(doc.Tree(), "Button1")->record().Modified = true;
    find(doc.Tree(), "Button1")->record().ModProperties = QStringLiteral("Left = 9");
    EXPECT_EQ(doc.ClipboardText(panel),
        crlf({
            "  object Panel1: TPanel",
            "    Top = 1",
            "    Items = <",
            "      item",
            "        Text = 'x'",
            "      end>",
            "    object Button1: TButton [2]",
            "      Left = 9",
            "    end",
            "  end",
        }));
    EXPECT_EQ(doc.ClipboardText(nullptr), QString());
}

TEST_F(FormDocumentTest, DeepNestingIsRefusedNotOverflowed)
{
    constexpr int kDepth = 100000;
    QByteArray text;
    for (int i = 0; i < kDepth; ++i)
        text += "object A: TA\r\n";
    for (int i = 0; i < kDepth; ++i)
        text += "end\r\n";
    doc.LoadFormBytes(QStringLiteral("deep.dfm"), text);
    EXPECT_EQ(doc.Tree().count(), kDepth);
    EXPECT_KORVEL_ERROR(doc.SaveBytes(), EDocumentError, TextTooLargeMessage());
    EXPECT_KORVEL_ERROR(doc.RegenerateLines(), EDocumentError, TextTooLargeMessage());
    const TTreeNode* deepest = doc.Tree().GetNodeFromIndex(kDepth - 1);
    EXPECT_EQ(doc.ClipboardText(deepest).size(), 2 * (2 * (kDepth - 1)) + 12 + 3 + 4);

    // 3,000 levels regenerate in full (18 million characters).
    text.clear();
    for (int i = 0; i < 3000; ++i)
        text += QByteArray(2 * i, ' ') + "object A: TA\r\n";
    for (int i = 2999; i >= 0; --i)
        text += QByteArray(2 * i, ' ') + "end\r\n";
    doc.LoadFormBytes(QStringLiteral("deep.dfm"), text);
    EXPECT_EQ(doc.SaveBytes(), text);
}

// --- saving --------------------------------------------------------------------

TEST_F(FormDocumentTest, SaveWritesTheLoadedFormat)
{
    const QByteArray utf8 = crlfBytes({"\xEF\xBB\xBF"
                                       "object F: TF",
        "  C = '\xE3\x81\x82'", "end"});
    const QString u = write("U.dfm", utf8);
    doc.LoadFormFile(u);
    find(doc.Tree(), "F")->record().Modified = true;
    find(doc.Tree(), "F")->record().ModProperties = QStringLiteral("C = 'い'");
    doc.Save();
    EXPECT_EQ(hex(readAll(u)),
        hex(crlfBytes({"\xEF\xBB\xBF"
                       "object F: TF",
            "  C = '\xE3\x81\x84'", "end"})));

    CodePageScope japanese(932);
    const QString a = write("A.dfm", crlfBytes({"object F: TF", "  C = '\x82\xA0\x80'", "end"}));
    doc.LoadFormFile(a);
    EXPECT_EQ(doc.OrgFile()[1], QStringLiteral("  C = 'あ") + QChar(0xDC80) + u'\'');
    doc.SaveAs(path("A2.dfm"));
    EXPECT_EQ(readAll(path("A2.dfm")), readAll(a));
    find(doc.Tree(), "F")->record().Modified = true;
    find(doc.Tree(), "F")->record().ModProperties = QStringLiteral("C = 'い€'"); // € is not in 932
    doc.Save();
    EXPECT_EQ(hex(readAll(path("A2.dfm"))), hex(crlfBytes({"object F: TF", "  C = '\x82\xA2?'", "end"})));
}

TEST_F(FormDocumentTest, EmptyTreeSaveWritesNothing)
{
    const QString p = write("Unit1.pas", "unit Unit1;\r\n");
    doc.LoadFormFile(p);
    EXPECT_KORVEL_ERROR(doc.Save(), EDocumentError, QStringLiteral("保存するコンポーネントがありません"));
    EXPECT_KORVEL_ERROR(doc.SaveAs(path("Other.dfm")), EDocumentError, NoComponentToSaveMessage());
    EXPECT_EQ(readAll(p), QByteArray("unit Unit1;\r\n"));
    EXPECT_FALSE(QFile::exists(path("Other.dfm")));
    EXPECT_EQ(doc.CurrentFileName(), p); // a failed Save As does not take the chosen name
}

TEST_F(FormDocumentTest, SaveAsRestoreBackupAndRefresh)
{
    const QString a = write("A.dfm", kSample);
    doc.LoadFormFile(a);
    EXPECT_EQ(doc.CurrentFileName(), a);
    ASSERT_TRUE(MoveDown(doc.Tree(), find(doc.Tree(), "Panel1")));
    const QByteArray moved = doc.SaveBytes();
    ASSERT_NE(moved, kSample);

    doc.SaveAs(path("B.dfm"));
    EXPECT_EQ(doc.CurrentFileName(), path("B.dfm"));
    EXPECT_EQ(readAll(path("B.dfm")), moved);
    EXPECT_EQ(readAll(a), kSample);

    doc.RestoreBackup(); // the loaded bytes go to the Save As path
    EXPECT_EQ(readAll(path("B.dfm")), kSample);
    EXPECT_EQ(doc.Tree().topLevel(0)->child(0)->caption(), u"Frame1"); // tree keeps its moves

    doc.Save();
    EXPECT_EQ(readAll(path("B.dfm")), moved);
    EXPECT_TRUE(doc.Refresh());
    EXPECT_EQ(doc.OrgFileName(), path("B.dfm"));
    EXPECT_TRUE(doc.ModFileName().isEmpty());
    EXPECT_EQ(doc.OrgBinFile().data(), moved);

    QFile::remove(path("B.dfm"));
    EXPECT_FALSE(doc.Refresh());
    EXPECT_EQ(doc.OrgFileName(), path("B.dfm"));
}

TEST_F(FormDocumentTest, BinaryDocumentSavesItsRoot)
{
    const QByteArray bin = binaryForm();
    doc.LoadFormBytes(QStringLiteral("b.dfm"), bin);
    EXPECT_EQ(hex(doc.SaveBytes()), hex(bin));
    find(doc.Tree(), "Form1")->record().Modified = true;
    find(doc.Tree(), "Form1")->record().ModProperties = QStringLiteral("Left = 9");
    BinaryBuilder s;
    s.Signature().Object("TForm1", "Form1").Prop("Left").Int(9).End();
    s.Object("TButton", "Button1").Prop("Caption").String("OK").End().End();
    s.End();
    EXPECT_EQ(hex(doc.SaveBytes()), hex(BinaryBuilder::Header16("TFORM1", uint32_t(s.bytes().size())) + s.bytes()));
}

TEST_F(FormDocumentTest, BinaryWithNonAsciiNamesSaves)
{
    const QByteArray bin = binaryForm("F\xC3\xA9", "\xE3\x83\x9C\xE3\x82\xBF\xE3\x83\xB3");
    doc.LoadFormBytes(QStringLiteral("b.dfm"), bin);
    EXPECT_TRUE(doc.ConvertedUtf8());
    EXPECT_EQ(find(doc.Tree(), "ボタン")->record().ClassName, u"TButton");
    const QByteArray saved = doc.SaveBytes();
    TFormDocument again;
    again.LoadFormBytes(QStringLiteral("b2.dfm"), saved);
    EXPECT_EQ(again.OrgFile().toStringList(), doc.OrgFile().toStringList());
}

TEST_F(FormDocumentTest, RejectedConversionLeavesFileIntact)
{
    const QString b = write("B.dfm", binaryForm());
    doc.LoadFormFile(b);
    find(doc.Tree(), "Button1")->record().Modified = true;
    find(doc.Tree(), "Button1")->record().ModProperties = QStringLiteral("Caption = #$41");
    EXPECT_KORVEL_ERROR_AT(
        doc.Save(), EParserError, QStringLiteral("4 行目: 識別子が必要です (Button1: TButton のプロパティ 1 行目)"), 4);
    EXPECT_KORVEL_ERROR_AT(doc.SaveFormFile(b), EParserError, QStringLiteral("4 行目: 識別子が必要です"), 4);
    EXPECT_EQ(readAll(b), binaryForm());
}

} // namespace
