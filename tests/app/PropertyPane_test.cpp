// The property pane: showing, applying and reverting a node's property text,
// the auto-decode view, the status bar, and the editor commands.
#include "app/support/WindowFixture.h"

#include <QClipboard>

namespace korvel::test {
namespace {

const QString kMarked = QStringLiteral("Memo1: TMemo  [変更あり]");
const QString kUnmarked = QStringLiteral("Memo1: TMemo ");

class PropertyPaneTest : public WindowFixture {
protected:
    void openNested() { start({writeFile(QStringLiteral("F.dfm"), NestedTextForm())}); }
    const TPROPREC& memo() { return node(QStringLiteral("Memo1"))->record(); }
};

TEST_F(PropertyPaneTest, AutoDecodeToggleReshowsTheSelectedNode)
{
    openNested();
    clickNode(QStringLiteral("Memo1"));
    EXPECT_EQ(pane()->text(), QStringLiteral("Caption = 'été'\r\n"));
    EXPECT_EQ(w()->statusText(), kUnmarked);
    trigger(acts().actAutoDecode);
    EXPECT_FALSE(acts().actAutoDecode->isChecked());
    EXPECT_EQ(pane()->text(), QStringLiteral("Caption = #233't'#233"));
    EXPECT_EQ(w()->statusText(), kUnmarked);
    trigger(acts().actAutoDecode);
    EXPECT_EQ(pane()->text(), QStringLiteral("Caption = 'été'\r\n"));
}

TEST_F(PropertyPaneTest, ApplyAndRevertRoundTrips)
{
    struct Row {
        bool autoDecode;
        const char* typed;
        const char* stored;  // ModProperties after the apply
        const char* reshown; // the pane after selecting another node and coming back
    };
    const Row rows[] = {
        {true, "Caption = 'abcé'", "Caption = 'abc'#233\r\n", "Caption = 'abcé'\r\n"},
        {false, "Caption = 'é'", "Caption = 'é'", "Caption = 'é'"},
        {true, "", "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.typed);
        openNested();
        if (!r.autoDecode)
            trigger(acts().actAutoDecode);
        clickNode(QStringLiteral("Memo1"));
        pane()->setText(QString::fromUtf8(r.typed));
        trigger(acts().actSaveProperties);
        EXPECT_TRUE(memo().Modified);
        EXPECT_EQ(memo().ModProperties, QString::fromUtf8(r.stored));
        EXPECT_EQ(w()->statusText(), kMarked);
        EXPECT_EQ(pane()->text(), QString::fromUtf8(r.typed)); // the pane is not refreshed
        clickNode(QStringLiteral("Panel1"));
        clickNode(QStringLiteral("Memo1"));
        EXPECT_EQ(pane()->text(), QString::fromUtf8(r.reshown));
        EXPECT_EQ(w()->statusText(), kMarked);
        trigger(acts().actOriginalProperties);
        EXPECT_FALSE(memo().Modified);
        EXPECT_EQ(w()->statusText(), kUnmarked);
        EXPECT_EQ(pane()->text(),
            r.autoDecode ? QStringLiteral("Caption = 'été'\r\n") : QStringLiteral("Caption = #233't'#233"));
        FWindow.reset();
    }
}

TEST_F(PropertyPaneTest, UnappliedTextIsDroppedOnReselectButSurvivesMoves)
{
    openNested();
    clickNode(QStringLiteral("Panel2"));
    pane()->setText(QStringLiteral("typed"));
    trigger(acts().actUp);
    EXPECT_EQ(pane()->text(), QStringLiteral("typed"));
    clickNode(QStringLiteral("Memo1"));
    clickNode(QStringLiteral("Panel2"));
    EXPECT_EQ(pane()->text(), QStringLiteral("Left = 16\r\n"));
    EXPECT_FALSE(node(QStringLiteral("Panel2"))->record().Modified);
}

TEST_F(PropertyPaneTest, AppliedTextTravelsWithTheNode)
{
    openNested();
    clickNode(QStringLiteral("Button2"));
    pane()->setText(QStringLiteral("Caption = 'Abort'"));
    trigger(acts().actSaveProperties);
    trigger(acts().actUpToOneLevel);
    clickNode(QStringLiteral("Form1"));
    clickNode(QStringLiteral("Button2"));
    EXPECT_EQ(pane()->text(), QStringLiteral("Caption = 'Abort'\r\n"));
    EXPECT_EQ(w()->statusText(), QStringLiteral("Button2: TButton  [変更あり]"));
}

TEST_F(PropertyPaneTest, StatusBarNamesNamelessNodes)
{
    start({writeFile(QStringLiteral("M.dfm"),
        "object Form1: TForm1\r\n  object TMenuItem\r\n    Tag = 2\r\n  end\r\n"
        "  object Item2: TMenuItem [3]\r\n  end\r\nend\r\n")});
    clickNode(QStringLiteral("(名前なし)"));
    EXPECT_EQ(w()->statusText(), QStringLiteral("(名前なし): TMenuItem "));
    clickNode(QStringLiteral("Item2"));
    EXPECT_EQ(w()->statusText(), QStringLiteral("Item2: TMenuItem [3] "));
}

TEST_F(PropertyPaneTest, WithoutDocumentApplyAndRevertDoNothing)
{
    start();
    pane()->setText(QStringLiteral("kept"));
    trigger(acts().actSaveProperties);
    trigger(acts().actOriginalProperties);
    EXPECT_EQ(pane()->text(), QStringLiteral("kept"));
    EXPECT_EQ(w()->statusText(), QString());
}

TEST_F(PropertyPaneTest, EditorShortcutsActOnlyWithThePaneFocused)
{
    openNested();
    clickNode(QStringLiteral("Panel1"));
    QGuiApplication::clipboard()->setText(QStringLiteral("clip"));
    // With the tree focused, the editor shortcuts are consumed and do nothing.
    for (Qt::Key k : {Qt::Key_A, Qt::Key_C, Qt::Key_X, Qt::Key_V, Qt::Key_Z})
        key(tree(), k, Qt::ControlModifier);
    EXPECT_EQ(pane()->text(), QStringLiteral("Left = 8\r\n"));
    EXPECT_FALSE(pane()->textCursor().hasSelection());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("clip"));
    EXPECT_EQ(w()->selectedNode(), node(QStringLiteral("Panel1")));

    // With the pane focused they act on it.
    key(pane(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(pane()->selectedText(), QStringLiteral("Left = 8\r\n"));
    key(pane(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Left = 8\n"));
    key(pane(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(pane()->text(), QString());
    key(pane(), Qt::Key_V, Qt::ControlModifier);
    key(pane(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(pane()->text(), QStringLiteral("Left = 8\r\nLeft = 8\r\n"));
    key(pane(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(pane()->text(), QStringLiteral("Left = 8\r\n"));
}

TEST_F(PropertyPaneTest, PaneShortcutsForApplyAndRevert)
{
    openNested();
    clickNode(QStringLiteral("Panel1"));
    pane()->setFocus();
    pane()->selectAll();
    QTest::keyClicks(pane(), QStringLiteral("Left = 9"));
    key(pane(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(node(QStringLiteral("Panel1"))->record().ModProperties, QStringLiteral("Left = 9\r\n"));
    key(pane(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(node(QStringLiteral("Panel1"))->record().Modified);
    EXPECT_EQ(pane()->text(), QStringLiteral("Left = 8\r\n"));
}

TEST_F(PropertyPaneTest, NewLinesKeepTheIndentationAndBackspaceUnindents)
{
    start();
    pane()->setText(QStringLiteral("Items = <\r\n  item\r\n    Tag = 1"));
    pane()->setFocus();
    pane()->moveCursor(QTextCursor::End);
    QTest::keyClick(pane(), Qt::Key_Return);
    QTest::keyClicks(pane(), QStringLiteral("A"));
    EXPECT_EQ(pane()->text(), QStringLiteral("Items = <\r\n  item\r\n    Tag = 1\r\n    A"));
    QTest::keyClick(pane(), Qt::Key_Backspace);
    QTest::keyClick(pane(), Qt::Key_Backspace);
    EXPECT_EQ(pane()->text(), QStringLiteral("Items = <\r\n  item\r\n    Tag = 1\r\n  "));
    QTest::keyClick(pane(), Qt::Key_Backspace);
    EXPECT_EQ(pane()->text(), QStringLiteral("Items = <\r\n  item\r\n    Tag = 1\r\n"));
}

TEST_F(PropertyPaneTest, DoubleClickSelectsTheTokenUnderTheCaret)
{
    struct Row {
        const char* text;
        int column;
        const char* selected;
    };
    const Row rows[] = {
        {"Caption = 'a b c'#13'x'", 13, "'a b c'"},
        {"Caption = 'a b c'#13'x'", 18, "#13"},
        {"Caption = 'a b c'#13'x'", 3, "Caption"},
    };
    start();
    for (const Row& r : rows) {
        pane()->setText(QString::fromLatin1(r.text));
        QTextCursor c(pane()->document());
        c.setPosition(r.column);
        const QPoint at = pane()->cursorRect(c).center() + QPoint(1, 0);
        QTest::mouseDClick(pane()->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        EXPECT_EQ(pane()->selectedText(), QString::fromLatin1(r.selected)) << r.text << " @" << r.column;
    }
}

TEST_F(PropertyPaneTest, TabMovesTheFocus)
{
    openNested();
    key(pane(), Qt::Key_Tab);
    EXPECT_FALSE(pane()->hasFocus());
    EXPECT_EQ(pane()->text(), QStringLiteral("Left = 0\r\nCaption = 'Main'\r\n"));
}

} // namespace
} // namespace korvel::test
