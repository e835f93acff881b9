// Unsaved changes in the window: the question before closing, opening, dropping
// and refreshing throws them away, the caption's modified mark, undo and redo
// from the keyboard, failed saves, and error boxes that name the file.
#include "app/support/WindowFixture.h"

#include "convert/ByteStream.h"
#include "convert/TextToBinary.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>
#include <QWindow>

#include <optional>

namespace korvel::test {
namespace {

const QString kAsk = QStringLiteral("フォームファイルへの変更を保存しますか？");

class UnsavedChangesTest : public WindowFixture {
protected:
    void drop(const QString& path)
    {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        const QPoint pos = w()->rect().center();
        QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w(), &enter);
        QDropEvent e(QPointF(pos), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w(), &e);
    }
    void typeInPane(const QString& text)
    {
        pane()->setFocus();
        pane()->moveCursor(QTextCursor::End);
        QTest::keyClicks(pane(), text);
    }
};

struct QuestionCase {
    const char* name;
    // What the user did first: "none", "move", "apply", "type" (unapplied pane
    // text), "typeBack" (typed and deleted again), "moveUndone" (Ctrl+Z in the tree),
    // "saved" (moved and saved).
    const char* change;
    // "close", "open", "drop" or "refresh".
    const char* command;
    // The answer to the question, when it is expected to be asked.
    std::optional<TSaveAnswer> answer;
    // The command went ahead (closed, or the other file / the file again loaded).
    bool proceeded;
    // The file afterwards contains this text ("" : it is unchanged).
    const char* fileHas;
};

const QuestionCase kQuestions[] = {
    {"NothingChangedCloses", "none", "close", std::nullopt, true, ""},
    {"MoveAndCancelStays", "move", "close", TSaveAnswer::Cancel, false, ""},
    {"MoveAndDiscardCloses", "move", "close", TSaveAnswer::Discard, true, ""},
    {"MoveAndSaveWritesAndCloses", "move", "close", TSaveAnswer::Save, true,
        "  object Panel2: TPanel\r\n    Left = 16\r\n    object Edit1"},
    {"AppliedTextAsks", "apply", "close", TSaveAnswer::Cancel, false, ""},
    {"TypedTextAsksAndSaveAppliesIt", "type", "close", TSaveAnswer::Save, true, "    Left = 8\r\n    Tag = 7\r\n"},
    {"TypedTextDiscarded", "type", "close", TSaveAnswer::Discard, true, ""},
    {"TypedBackIsNoChange", "typeBack", "close", std::nullopt, true, ""},
    {"UndoneMoveIsNoChange", "moveUndone", "close", std::nullopt, true, ""},
    {"SavedIsNoChange", "saved", "close", std::nullopt, true, "  object Panel2"},
    {"OpenAsksAndCancelKeepsTheDocument", "move", "open", TSaveAnswer::Cancel, false, ""},
    {"OpenAfterDiscard", "move", "open", TSaveAnswer::Discard, true, ""},
    {"OpenWithoutChanges", "none", "open", std::nullopt, true, ""},
    {"DropAsksAndCancelKeepsTheDocument", "apply", "drop", TSaveAnswer::Cancel, false, ""},
    {"DropAfterSave", "move", "drop", TSaveAnswer::Save, true, "  object Panel2"},
    {"RefreshAsksAfterReloadQuestion", "move", "refresh", TSaveAnswer::Cancel, false, ""},
    {"RefreshAfterDiscard", "type", "refresh", TSaveAnswer::Discard, true, ""},
    {"RefreshWithoutChanges", "none", "refresh", std::nullopt, true, ""},
};

TEST_F(UnsavedChangesTest, AskedOnlyWithUnsavedChanges)
{
    for (const QuestionCase& c : kQuestions) {
        SCOPED_TRACE(c.name);
        FSaveQuestions.clear();
        FConfirmations.clear();
        const QString path = writeFile(QStringLiteral("F.dfm"), NestedTextForm());
        const QString other = writeFile(QStringLiteral("Other.dfm"), "object Other: TForm\r\nend\r\n");
        start({path});
        const QString change = QString::fromLatin1(c.change);
        clickNode(QStringLiteral("Panel1"));
        if (change == u"move" || change == u"moveUndone" || change == u"saved") {
            trigger(acts().actDown);
            if (change == u"moveUndone")
                key(tree(), Qt::Key_Z, Qt::ControlModifier);
            if (change == u"saved") {
                FAnswers = {true};
                trigger(acts().actsaveFile);
            }
        } else if (change == u"apply") {
            typeInPane(QStringLiteral("Tag = 7"));
            trigger(acts().actSaveProperties);
        } else if (change == u"type" || change == u"typeBack") {
            typeInPane(QStringLiteral("Tag = 7"));
            if (change == u"typeBack")
                for (int i = 0; i < 7; ++i)
                    key(pane(), Qt::Key_Backspace);
        }
        const QByteArray before = readFile(path);
        if (c.answer)
            FSaveAnswers = {*c.answer};
        const QString command = QString::fromLatin1(c.command);
        bool proceeded = false;
        if (command == u"close") {
            proceeded = w()->close();
        } else if (command == u"open") {
            FFileNames = {other};
            trigger(acts().actOpenFile);
            proceeded = treeDump() == QStringList{"Other"};
        } else if (command == u"drop") {
            drop(other);
            proceeded = treeDump() == QStringList{"Other"};
        } else {
            FAnswers = {true};
            trigger(acts().actRefresh);
            EXPECT_EQ(FConfirmations.last(), w()->messages().StrReload);
            proceeded = !w()->document().IsModified() && !w()->paneHasUnappliedText()
                && w()->selectedNode() == w()->document().Tree().firstNode();
        }
        EXPECT_EQ(FSaveQuestions, c.answer ? QStringList{kAsk} : QStringList());
        EXPECT_EQ(proceeded, c.proceeded);
        if (*c.fileHas) {
            EXPECT_TRUE(readFile(path).contains(c.fileHas)) << readFile(path).toStdString();
        } else {
            EXPECT_EQ(readFile(path), before);
        }
        if (!c.proceeded && change != u"type") { // what was done is still there
            EXPECT_TRUE(w()->document().IsModified());
        }
        EXPECT_TRUE(FErrors.isEmpty()) << FErrors.join(u'\n').toStdString();
        FWindow.reset();
    }
}

TEST_F(UnsavedChangesTest, UndoAndRedoFromTheTreeWithCaptionAndPaneFollowing)
{
    start({writeFile(QStringLiteral("F.dfm"), NestedTextForm())});
    EXPECT_EQ(caption(), QStringLiteral("Korvel [F.dfm]"));
    clickNode(QStringLiteral("Button2"));
    trigger(acts().actUp);
    EXPECT_EQ(caption(), QStringLiteral("Korvel [F.dfm]*"));
    clickNode(QStringLiteral("Edit1"));
    pane()->setFocus();
    pane()->selectAll();
    QTest::keyClicks(pane(), QStringLiteral("Text = 'x'"));
    trigger(acts().actSaveProperties);
    // In the pane, Ctrl+Z is the pane's own undo and leaves the document alone.
    key(pane(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(node(QStringLiteral("Edit1"))->record().Modified);

    key(tree(), Qt::Key_Z, Qt::ControlModifier); // the applied text
    EXPECT_FALSE(node(QStringLiteral("Edit1"))->record().Modified);
    EXPECT_EQ(w()->selectedNode(), node(QStringLiteral("Edit1")));
    EXPECT_EQ(pane()->text(), QStringLiteral("Text = 'abc'\r\n"));
    key(tree(), Qt::Key_Z, Qt::ControlModifier); // the move
    EXPECT_EQ(treeDump()[2], QStringLiteral("    Button1"));
    EXPECT_EQ(w()->selectedNode(), node(QStringLiteral("Button2")));
    EXPECT_EQ(caption(), QStringLiteral("Korvel [F.dfm]"));
    key(tree(), Qt::Key_Z, Qt::ControlModifier); // nothing left: nothing happens
    EXPECT_EQ(treeDump()[2], QStringLiteral("    Button1"));

    key(tree(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(treeDump()[2], QStringLiteral("    Button2"));
    key(tree(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(w()->selectedNode(), node(QStringLiteral("Edit1")));
    EXPECT_EQ(pane()->text(), QStringLiteral("Text = 'x'\r\n"));
    EXPECT_EQ(w()->statusText(), QStringLiteral("Edit1: TEdit  [変更あり]"));
    EXPECT_EQ(caption(), QStringLiteral("Korvel [F.dfm]*"));

    // Refresh ends the history.
    FAnswers = {true};
    FSaveAnswers = {TSaveAnswer::Discard};
    trigger(acts().actRefresh);
    EXPECT_FALSE(w()->document().CanUndo());
    EXPECT_EQ(caption(), QStringLiteral("Korvel [F.dfm]"));
}

TEST_F(UnsavedChangesTest, FailedSavesKeepCaptionTargetAndState)
{
    const QString path = writeFile(QStringLiteral("F.dfm"), NestedTextForm());
    start({path});
    clickNode(QStringLiteral("Panel1"));
    trigger(acts().actDown);
    // Save As into a folder that does not exist.
    const QString bad = FDir.filePath(QStringLiteral("missing/G.dfm"));
    FFileNames = {bad};
    trigger(acts().actSaveAs);
    ASSERT_EQ(FErrors.size(), 1);
    EXPECT_TRUE(FErrors[0].startsWith(bad + QStringLiteral(": "))) << FErrors[0].toStdString();
    EXPECT_EQ(caption(), QStringLiteral("Korvel [F.dfm]*"));
    EXPECT_EQ(w()->document().CurrentFileName(), path);

    // Saving on close fails (the file became a folder): the window stays open.
    QFile::remove(path);
    QDir().mkdir(path);
    FSaveAnswers = {TSaveAnswer::Save};
    EXPECT_FALSE(w()->close());
    ASSERT_EQ(FErrors.size(), 2);
    EXPECT_TRUE(FErrors[1].startsWith(path + QStringLiteral(": "))) << FErrors[1].toStdString();
    EXPECT_TRUE(w()->document().IsModified());
    EXPECT_EQ(caption(), QStringLiteral("Korvel [F.dfm]*"));
}

TEST_F(UnsavedChangesTest, ConversionErrorNamesFileComponentAndLine)
{
    // A binary document: saving converts the regenerated text, which rejects #$41.
    ByteStream text(NestedTextForm());
    ByteStream binary;
    TextToResource(text, binary);
    const QString path = writeFile(QStringLiteral("B.dfm"), binary.data());
    start({path});
    clickNode(QStringLiteral("Button1"));
    pane()->setText(QStringLiteral("Caption = #$41"));
    trigger(acts().actSaveProperties);
    FAnswers = {true};
    trigger(acts().actsaveFile);
    ASSERT_EQ(FErrors.size(), 1);
    EXPECT_TRUE(FErrors[0].startsWith(path + QStringLiteral(": 7 行目: "))) << FErrors[0].toStdString();
    EXPECT_TRUE(FErrors[0].endsWith(QStringLiteral(" (Button1: TButton のプロパティ 1 行目)")))
        << FErrors[0].toStdString();
    EXPECT_EQ(readFile(path), binary.data());
    EXPECT_EQ(caption(), QStringLiteral("Korvel [B.dfm (Binary)]*"));
    FWindow.reset(); // without closing: nothing is asked
}

} // namespace
} // namespace korvel::test
