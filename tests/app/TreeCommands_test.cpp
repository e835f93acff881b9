// Moving nodes in the window: Move up / down / one level up with their expand
// and scroll effects, drag and drop inside the tree, Collapse and Expand.
#include "app/support/WindowFixture.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QScrollBar>

namespace korvel::test {
namespace {

class TreeCommandsTest : public WindowFixture {
protected:
    // Opens the nested form in a window so low that only a few rows show.
    void openNested()
    {
        start({writeFile(QStringLiteral("F.dfm"), NestedTextForm())});
        const int rowHeight = tree()->sizeHintForRow(0);
        tree()->setMaximumHeight(3 * rowHeight + 2 * tree()->frameWidth() + 2);
        QApplication::processEvents();
        tree()->doItemsLayout();
        ASSERT_LE(tree()->viewport()->height() / tree()->sizeHintForRow(0), 3) << "the tree shows too many rows";
    }
    void collapse(const char* caption) { tree()->collapse(w()->model()->indexOf(node(QString::fromLatin1(caption)))); }
    // Sends enter, move and drop of a drag of node `dragged` to point pos of the tree;
    // returns whether the move over pos was accepted.
    bool dragAndDrop(const QMimeData* mime, QPoint pos)
    {
        QDragEnterEvent enter(pos, Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree()->viewport(), &enter);
        QDragMoveEvent move(pos, Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree()->viewport(), &move);
        const bool accepted = move.isAccepted();
        QDropEvent drop(QPointF(pos), Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree()->viewport(), &drop);
        EXPECT_EQ(drop.isAccepted(), accepted);
        return accepted;
    }
    QPoint pointOf(const char* caption)
    {
        const QModelIndex index = w()->model()->indexOf(node(QString::fromLatin1(caption)));
        tree()->scrollTo(index);
        return tree()->visualRect(index).center();
    }
    std::unique_ptr<QMimeData> dragOf(const char* caption)
    {
        clickNode(QString::fromLatin1(caption));
        return std::unique_ptr<QMimeData>(
            w()->model()->mimeData({w()->model()->indexOf(node(QString::fromLatin1(caption)))}));
    }
};

TEST_F(TreeCommandsTest, MovesWithTheirExpandAndScrollEffects)
{
    struct Row {
        const char* select;
        const char* collapseFirst; // a node collapsed before the move, or nullptr
        QAction* TMainActions::*action;
        QStringList tree;
        const char* topRow; // the first visible row afterwards, or nullptr: unchanged
    };
    const Row rows[] = {
        {"Panel2", nullptr, &TMainActions::actUp,
            {"Form1 +", "  Panel2 +", "    Edit1 +", "      Inner1", "  Panel1 +", "    Button1", "    Button2",
                "  Memo1"},
            "Panel2"},
        // An expanded node whose subtree was partly collapsed ends fully expanded.
        {"Panel2", "Edit1", &TMainActions::actUp,
            {"Form1 +", "  Panel2 +", "    Edit1 +", "      Inner1", "  Panel1 +", "    Button1", "    Button2",
                "  Memo1"},
            "Panel2"},
        // A collapsed node comes out collapsed with its whole subtree.
        {"Panel2", "Panel2", &TMainActions::actUp,
            {"Form1 +", "  Panel2 -", "    Edit1 -", "      Inner1", "  Panel1 +", "    Button1", "    Button2",
                "  Memo1"},
            "Panel2"},
        // Move down moves the next sibling above; it is re-expanded as it was.
        {"Panel1", nullptr, &TMainActions::actDown,
            {"Form1 +", "  Panel2 +", "    Edit1 +", "      Inner1", "  Panel1 +", "    Button1", "    Button2",
                "  Memo1"},
            "Panel1"},
        {"Panel1", "Panel2", &TMainActions::actDown,
            {"Form1 +", "  Panel2 -", "    Edit1 -", "      Inner1", "  Panel1 +", "    Button1", "    Button2",
                "  Memo1"},
            "Panel1"},
        // The only child leaves its parent, which shows no expand mark any more;
        // near the end of the list the scroll goes as far as the list allows.
        {"Edit1", nullptr, &TMainActions::actUpToOneLevel,
            {"Form1 +", "  Panel1 +", "    Button1", "    Button2", "  Panel2", "  Memo1", "  Edit1 +", "    Inner1"},
            "Memo1"},
        {"Edit1", "Edit1", &TMainActions::actUpToOneLevel,
            {"Form1 +", "  Panel1 +", "    Button1", "    Button2", "  Panel2", "  Memo1", "  Edit1 -", "    Inner1"},
            "Panel2"},
        // A node without children does not scroll the tree.
        {"Button2", nullptr, &TMainActions::actUp,
            {"Form1 +", "  Panel1 +", "    Button2", "    Button1", "  Panel2 +", "    Edit1 +", "      Inner1",
                "  Memo1"},
            nullptr},
        {"Button1", nullptr, &TMainActions::actUpToOneLevel,
            {"Form1 +", "  Panel1 +", "    Button2", "  Panel2 +", "    Edit1 +", "      Inner1", "  Memo1",
                "  Button1"},
            nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.select);
        openNested();
        if (r.collapseFirst)
            collapse(r.collapseFirst);
        clickNode(QString::fromLatin1(r.select));
        const QString topBefore = topRow();
        const TPROPREC before = node(QString::fromLatin1(r.select))->record();
        trigger(acts().*r.action);
        EXPECT_EQ(treeDump(), r.tree);
        EXPECT_EQ(w()->selectedNode(), node(QString::fromLatin1(r.select)));
        EXPECT_EQ(topRow(), r.topRow ? QString::fromLatin1(r.topRow) : topBefore);
        const TPROPREC& after = w()->selectedNode()->record();
        EXPECT_EQ(after.BeginLine, before.BeginLine);
        EXPECT_EQ(after.EndLine, before.EndLine);
        FWindow.reset();
    }
}

TEST_F(TreeCommandsTest, MovesThatDoNothing)
{
    openNested();
    const QStringList initial = treeDump();
    struct Row {
        const char* select;
        QAction* TMainActions::*action;
    };
    const Row rows[] = {{"Panel1", &TMainActions::actUp}, {"Memo1", &TMainActions::actDown},
        {"Form1", &TMainActions::actUpToOneLevel}, {"Panel1", &TMainActions::actUpToOneLevel},
        {"Form1", &TMainActions::actUp}};
    for (const Row& r : rows) {
        clickNode(QString::fromLatin1(r.select));
        QAction* action = acts().*r.action;
        EXPECT_FALSE(isEnabled(action)) << r.select << ' ' << action->objectName().toStdString();
        // Called directly (as a shortcut would when the rule was not re-evaluated).
        action->setEnabled(true);
        action->trigger();
        EXPECT_EQ(treeDump(), initial) << r.select << ' ' << action->objectName().toStdString();
    }
}

TEST_F(TreeCommandsTest, ShortcutsInTheTreeMoveNodes)
{
    openNested();
    clickNode(QStringLiteral("Button2"));
    key(tree(), Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(treeDump()[2], QStringLiteral("    Button2"));
    key(tree(), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(treeDump()[2], QStringLiteral("    Button1"));
    key(tree(), Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(treeDump().last(), QStringLiteral("  Button2"));
    clickNode(QStringLiteral("Panel2"));
    key(tree(), Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(treeDump()[3], QStringLiteral("  Panel2 -"));
    key(tree(), Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(treeDump()[3], QStringLiteral("  Panel2 +"));
    EXPECT_EQ(treeDump()[4], QStringLiteral("    Edit1 +"));
}

TEST_F(TreeCommandsTest, CollapseAndExpandWholeSubtrees)
{
    openNested();
    clickNode(QStringLiteral("Form1"));
    trigger(acts().actCollapse);
    EXPECT_EQ(treeDump(),
        QStringList({"Form1 -", "  Panel1 -", "    Button1", "    Button2", "  Panel2 -", "    Edit1 -", "      Inner1",
            "  Memo1"}));
    EXPECT_EQ(visibleRows(), QStringList{"Form1"});
    trigger(acts().actExpand);
    EXPECT_EQ(treeDump(),
        QStringList({"Form1 +", "  Panel1 +", "    Button1", "    Button2", "  Panel2 +", "    Edit1 +", "      Inner1",
            "  Memo1"}));
    EXPECT_EQ(visibleRows().size(), 8);
}

TEST_F(TreeCommandsTest, CollapseAndExpandWithoutSelectionDoNothing)
{
    start({writeFile(QStringLiteral("Empty.dfm"), "nothing\r\n")});
    trigger(acts().actCollapse);
    trigger(acts().actExpand);
    EXPECT_TRUE(FErrors.isEmpty());
}

TEST_F(TreeCommandsTest, AcceptedDropsMakeTheNodeTheTargetsLastChild)
{
    struct Row {
        const char* dragged;
        const char* target;
        QStringList tree;
    };
    const Row rows[] = {
        {"Button1", "Edit1",
            {"Form1 +", "  Panel1 +", "    Button2", "  Panel2 +", "    Edit1 +", "      Inner1", "      Button1",
                "  Memo1"}},
        // The target is expanded; the dropped node comes out collapsed with its subtree.
        {"Panel2", "Memo1",
            {"Form1 +", "  Panel1 +", "    Button1", "    Button2", "  Memo1 +", "    Panel2 -", "      Edit1 -",
                "        Inner1"}},
        // Dropping on the own parent moves the node to the end of its siblings.
        {"Button1", "Panel1",
            {"Form1 +", "  Panel1 +", "    Button2", "    Button1", "  Panel2 +", "    Edit1 +", "      Inner1",
                "  Memo1"}},
        {"Inner1", "Form1",
            {"Form1 +", "  Panel1 +", "    Button1", "    Button2", "  Panel2 +", "    Edit1", "  Memo1", "  Inner1"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.dragged) + " onto " + r.target);
        openNested();
        const auto mime = dragOf(r.dragged);
        EXPECT_TRUE(dragAndDrop(mime.get(), pointOf(r.target)));
        EXPECT_EQ(treeDump(), r.tree);
        EXPECT_EQ(w()->selectedNode(), node(QString::fromLatin1(r.dragged)));
        FWindow.reset();
    }
}

TEST_F(TreeCommandsTest, RefusedDropsLeaveTheTreeAlone)
{
    openNested();
    const QStringList initial = treeDump();
    struct Row {
        const char* dragged;
        const char* target; // nullptr: the empty area below the rows
    };
    const Row rows[] = {
        {"Panel2", "Panel2"}, {"Panel2", "Edit1"}, {"Panel2", "Inner1"}, {"Form1", "Memo1"}, {"Button1", nullptr}};
    for (const Row& r : rows) {
        const auto mime = dragOf(r.dragged);
        QPoint pos = r.target ? pointOf(r.target) : QPoint(5, tree()->viewport()->height() - 2);
        if (!r.target) {
            tree()->verticalScrollBar()->setValue(tree()->verticalScrollBar()->maximum());
            tree()->setMaximumHeight(QWIDGETSIZE_MAX);
            QApplication::processEvents();
            pos = QPoint(5, tree()->viewport()->height() - 2);
            ASSERT_FALSE(tree()->indexAt(pos).isValid());
        }
        EXPECT_FALSE(dragAndDrop(mime.get(), pos)) << r.dragged;
        EXPECT_EQ(treeDump(), initial) << r.dragged;
    }
}

TEST_F(TreeCommandsTest, DragsFromOutsideTheTreeAreRefused)
{
    openNested();
    const QStringList initial = treeDump();
    clickNode(QStringLiteral("Button1"));
    // Another window's tree: a node path with another identity.
    TComponentTree otherTree;
    TreeModel other(otherTree);
    QMimeData foreign;
    foreign.setData(TreeModel::NodeMimeType, QByteArrayLiteral("\x00\x00\x00\x03x:1\x00\x00\x00\x01\x00\x00\x00\x00"));
    QMimeData text;
    text.setText(QStringLiteral("object X: TX"));
    for (const QMimeData* mime : {static_cast<const QMimeData*>(&foreign), static_cast<const QMimeData*>(&text)}) {
        QDragMoveEvent move(pointOf("Edit1"), Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree()->viewport(), &move);
        EXPECT_FALSE(move.isAccepted());
        QDropEvent drop(QPointF(pointOf("Edit1")), Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree()->viewport(), &drop);
    }
    EXPECT_EQ(treeDump(), initial);
}

} // namespace
} // namespace korvel::test
