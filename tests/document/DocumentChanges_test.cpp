// The user's changes to a loaded document: moves and applied or reverted
// property text, their undo history, whether the document has unsaved changes,
// and how save failures leave the document and name the failing place.
#include "document/FormDocument.h"

#include "convert/support/BinaryBuilder.h"
#include "document/support/DocumentTestUtil.h"
#include "document/support/TreeShape.h"

#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::test;

namespace {

const QByteArray kForm = crlfBytes({
    "object Form1: TForm1",
    "  Left = 0",
    "  object Panel1: TPanel",
    "    Top = 1",
    "    object Button1: TButton",
    "      Caption = 'OK'",
    "    end",
    "    object Button2: TButton",
    "      Left = 2",
    "    end",
    "  end",
    "  object Memo1: TMemo",
    "    Caption = #233",
    "  end",
    "end",
});

const char* const kLoaded = "Form1(Panel1(Button1,Button2),Memo1)";

struct ChangeCase {
    const char* name;
    // Steps separated by ';': up/down/levelup/apply/revert NODE, drop NODE TARGET,
    // undo, redo, save, reparse, refresh; "NxSTEP" repeats a step N times;
    // restore (backup); "apply NODE" applies the text "Tag = <n>" with n counting the applies.
    const char* script;
    const char* shape;
    bool modified;
    bool canUndo;
    bool canRedo;
    // Button1's record afterwards: "" when not Modified, else its applied text.
    const char* button1;
};

const ChangeCase kChanges[] = {
    {"Loaded", "", kLoaded, false, false, false, ""},
    {"MoveUp", "up Button2", "Form1(Panel1(Button2,Button1),Memo1)", true, true, false, ""},
    {"MoveUpUndone", "up Button2;undo", kLoaded, false, false, true, ""},
    {"MoveUpRedone", "up Button2;undo;redo", "Form1(Panel1(Button2,Button1),Memo1)", true, true, false, ""},
    {"MoveDownMovesTheNextSibling", "down Button1;undo", kLoaded, false, false, true, ""},
    {"LevelUpAndDropUndoneInOrder", "levelup Button1;drop Memo1 Button1", "Form1(Panel1(Button2),Button1(Memo1))", true,
        true, false, ""},
    {"LevelUpAndDropUndone", "levelup Button1;drop Memo1 Button1;undo;undo", kLoaded, false, false, true, ""},
    {"LevelUpAndDropRedone", "levelup Button1;drop Memo1 Button1;undo;undo;redo;redo",
        "Form1(Panel1(Button2),Button1(Memo1))", true, true, false, ""},
    {"DropInPlaceIsNoChange", "drop Button2 Panel1", kLoaded, false, false, false, ""},
    {"DropIntoOwnSubtreeIsRefused", "drop Panel1 Button1", kLoaded, false, false, false, ""},
    {"UndoWithNothingToUndo", "undo;redo", kLoaded, false, false, false, ""},
    {"Apply", "apply Button1", kLoaded, true, true, false, "Tag = 1"},
    {"ApplyUndone", "apply Button1;undo", kLoaded, false, false, true, ""},
    {"ApplyTwiceUndoneOnce", "apply Button1;apply Button1;undo", kLoaded, true, true, true, "Tag = 1"},
    {"RevertOfAnUnchangedNodeIsNoChange", "revert Button1", kLoaded, false, false, false, ""},
    {"RevertUndoneBringsTheTextBack", "apply Button1;revert Button1;undo", kLoaded, true, true, true, "Tag = 1"},
    {"SaveMakesItUnmodified", "up Button2;apply Button1;save", "Form1(Panel1(Button2,Button1),Memo1)", false, true,
        false, "Tag = 1"},
    {"UndoAfterSaveIsAChange", "apply Button1;save;undo", kLoaded, true, false, true, ""},
    {"RedoBackToTheSavedState", "apply Button1;save;undo;redo", kLoaded, false, true, false, "Tag = 1"},
    {"NewChangeEndsTheRedo", "up Button2;undo;apply Button1", kLoaded, true, true, false, "Tag = 1"},
    {"SavedStateDroppedByANewChange", "apply Button1;apply Button1;save;undo;up Button2;undo", kLoaded, true, true,
        true, "Tag = 1"},
    {"RestoredBackupHoldsTheLoadedState", "up Button2;save;restore", "Form1(Panel1(Button2,Button1),Memo1)", true, true,
        false, ""},
    {"RestoredBackupThenUndoneToTheLoadedState", "up Button2;save;restore;undo", kLoaded, false, false, true, ""},
    {"ReparseEndsHistoryAndChanges", "up Button2;apply Button1;reparse", kLoaded, false, false, false, ""},
    {"RefreshEndsHistoryAndChanges", "up Button2;apply Button1;refresh", kLoaded, false, false, false, ""},
    // 300 changes: the oldest 100 are forgotten, and the saved state with them.
    {"AtMost200Steps", "300xapply Button1;200xundo;undo", kLoaded, true, false, true, "Tag = 100"},
    {"TwoHundredStepsUndone", "200xapply Button1;200xundo", kLoaded, false, false, true, ""},
};

class DocumentChangesTest : public ::testing::TestWithParam<ChangeCase> {
protected:
    QTemporaryDir dir;
    CodePageScope codePage{1252};
    TFormDocument doc;
};

TTreeNode* named(TFormDocument& doc, const QString& name)
{
    TTreeNode* n = find(doc.Tree(), name.toStdString());
    EXPECT_NE(n, nullptr) << name.toStdString();
    return n;
}

TEST_P(DocumentChangesTest, ScriptLeavesTreeHistoryAndModifiedState)
{
    const ChangeCase& c = GetParam();
    const QString path = dir.filePath(QStringLiteral("F.dfm"));
    writeAll(path, kForm);
    doc.LoadFormFile(path);
    int applies = 0;
    for (const QString& raw : QString::fromUtf8(c.script).split(u';', Qt::SkipEmptyParts)) {
        QString stepText = raw;
        int repeat = 1;
        if (const qsizetype x = stepText.indexOf(u'x'); x > 0 && stepText.left(x).toInt() > 0) {
            repeat = stepText.left(x).toInt();
            stepText = stepText.mid(x + 1);
        }
        const QStringList w = stepText.split(u' ');
        for (int i = 0; i < repeat; ++i) {
            const QString& op = w[0];
            if (op == u"up")
                doc.MoveUp(named(doc, w[1]));
            else if (op == u"down")
                doc.MoveDown(named(doc, w[1]));
            else if (op == u"levelup")
                doc.MoveOneLevelUp(named(doc, w[1]));
            else if (op == u"drop")
                doc.Drop(named(doc, w[1]), named(doc, w[2]));
            else if (op == u"apply")
                doc.ApplyProperties(named(doc, w[1]), QStringLiteral("Tag = %1").arg(++applies));
            else if (op == u"revert")
                doc.RevertProperties(named(doc, w[1]));
            else if (op == u"undo")
                doc.Undo();
            else if (op == u"redo")
                doc.Redo();
            else if (op == u"save")
                doc.Save();
            else if (op == u"restore")
                doc.RestoreBackup();
            else if (op == u"reparse")
                doc.Reparse();
            else if (op == u"refresh")
                EXPECT_TRUE(doc.Refresh());
            else
                FAIL() << "unknown step " << raw.toStdString();
        }
    }
    EXPECT_EQ(shapeOf(doc.Tree()), c.shape);
    EXPECT_EQ(doc.IsModified(), c.modified);
    EXPECT_EQ(doc.CanUndo(), c.canUndo);
    EXPECT_EQ(doc.CanRedo(), c.canRedo);
    const TPROPREC& b1 = named(doc, QStringLiteral("Button1"))->record();
    EXPECT_EQ(b1.Modified ? b1.ModProperties.trimmed().toStdString() : std::string(), c.button1);
}

INSTANTIATE_TEST_SUITE_P(DocumentChanges, DocumentChangesTest, ::testing::ValuesIn(kChanges),
    [](const auto& test) { return std::string(test.param.name); });

TEST(DocumentChanges, FileErrorTextNamesTheFileAndEscapesControls)
{
    const struct {
        const char* path;
        const char* message;
        const char* text;
    } cases[] = {
        {"/d/F.dfm", "ストリームからの読み取りエラー", "/d/F.dfm: ストリームからの読み取りエラー"},
        {"/d/F.dfm", "/d/F.dfm: No such file or directory", "/d/F.dfm: No such file or directory"},
        {"/d/F.dfm", "1 行目: bad\x01\x1f\x7f\ttext\r\n", "/d/F.dfm: 1 行目: bad#1#31#127#9text#13#10"},
        {"/d/a\nb.dfm", "x", "/d/a#10b.dfm: x"},
        {"", "Out of memory", "Out of memory"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileErrorText(QString::fromUtf8(c.path), QString::fromUtf8(c.message)).toStdString(), c.text)
            << c.message;
}

TEST(DocumentChanges, FailedSavesKeepNameAndStateAndNameTheComponentLine)
{
    QTemporaryDir dir;
    CodePageScope codePage{1252};
    BinaryBuilder s;
    s.Signature().Object("TForm1", "Form1").Prop("Left").Int(8).End();
    s.Object("TButton", "Button1").Prop("Caption").String("OK").End().End();
    s.End();
    const QString path = dir.filePath(QStringLiteral("B.dfm"));
    const QByteArray bytes = BinaryBuilder::Header16("TFORM1", uint32_t(s.bytes().size())) + s.bytes();
    writeAll(path, bytes);
    TFormDocument doc;
    doc.LoadFormFile(path);
    doc.SetAutoDecode(false);
    TTreeNode* button = named(doc, QStringLiteral("Button1"));
    EXPECT_EQ(doc.ShownProperties(button), QStringLiteral("Caption = 'OK'"));

    // Save As to a folder that does not exist: the name stays, the changes stay unsaved.
    doc.ApplyProperties(button, QStringLiteral("Caption = 'X'"));
    EXPECT_THROW(doc.SaveAs(dir.filePath(QStringLiteral("missing/C.dfm"))), EFileError);
    EXPECT_EQ(doc.CurrentFileName(), path);
    EXPECT_TRUE(doc.ModFileName().isEmpty());
    EXPECT_TRUE(doc.IsModified());
    doc.ApplyProperties(button, QStringLiteral("Caption = 'OK'\r\nLeft = = 2\r\n"));

    // The regenerated text's line 5 is Button1's second property line.
    try {
        doc.Save();
        ADD_FAILURE() << "the save succeeded";
    } catch (const EParserError& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("5 行目: "))) << e.message().toStdString();
        EXPECT_TRUE(e.message().endsWith(QStringLiteral(" (Button1: TButton のプロパティ 2 行目)")))
            << e.message().toStdString();
    }
    EXPECT_EQ(readAll(path), bytes);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.RegeneratedLineLocation(1), QString()); // a header
    EXPECT_EQ(doc.RegeneratedLineLocation(2), QStringLiteral("(Form1: TForm1 のプロパティ 1 行目)"));
    EXPECT_EQ(doc.RegeneratedLineLocation(7), QString()); // an end line
    EXPECT_EQ(doc.RegeneratedLineLocation(99), QString());

    // A successful Save As takes the name and the saved state.
    doc.RevertProperties(button);
    doc.SaveAs(dir.filePath(QStringLiteral("C.dfm")));
    EXPECT_EQ(doc.CurrentFileName(), dir.filePath(QStringLiteral("C.dfm")));
    EXPECT_FALSE(doc.IsModified());
}

TEST(DocumentChanges, AppliedDecodedTextIsStoredEncoded)
{
    QTemporaryDir dir;
    CodePageScope codePage{1252};
    const QString path = dir.filePath(QStringLiteral("F.dfm"));
    writeAll(path, kForm);
    TFormDocument doc;
    doc.LoadFormFile(path);
    ASSERT_TRUE(doc.AutoDecode());
    TTreeNode* memo = named(doc, QStringLiteral("Memo1"));
    const QString loaded = doc.NodeProperties(memo);
    EXPECT_EQ(doc.ShownProperties(memo), QStringLiteral("Caption = 'é'\r\n"));
    doc.ApplyProperties(memo, doc.ShownProperties(memo));
    EXPECT_EQ(memo->record().ModProperties.trimmed(), loaded.trimmed());
    doc.SetAutoDecode(false);
    EXPECT_EQ(doc.ShownProperties(memo).trimmed(), loaded.trimmed());
}

} // namespace
