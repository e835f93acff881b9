// Tree commands: showing a loaded tree, the moves (by action and by drag and drop)
// with their effect on what is expanded and scrolled, collapse and expand, copy to
// the clipboard, and the undo and redo of document changes.
#include "app/frmuMain.h"

#include "app/ComponentTreeView.h"
#include "app/TreeModel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>

#include <vector>

namespace korvel {

void TfrmMain::showLoadedDocument()
{
    const TTreeNode* first = FDocument.Tree().firstNode();
    if (!first) {
        // An empty tree: nothing is selected, and the status bar no longer names
        // a component of the previous document.
        FStatusText->clear();
        updateActions();
        return;
    }
    expandSubtree(first);
    selectNode(first); // tvMainChange shows the node's text and the status bar
    if (FShownNode != first)
        tvMainClick();
    tvMain->scrollTo(FModel->indexOf(first));
    updateActions();
}

// --- tree reordering -----------------------------------------------------------

void TfrmMain::collapseSubtree(const TTreeNode* node)
{
    if (!node)
        return;
    // Collapsing while a relayout is pending only forgets the expanded marks, so
    // a large subtree costs one pass over its nodes and a single relayout.
    tvMain->scheduleRelayout();
    std::vector<const TTreeNode*> stack{node};
    while (!stack.empty()) {
        const TTreeNode* n = stack.back();
        stack.pop_back();
        if (!n->hasChildren())
            continue;
        const QModelIndex index = FModel->indexOf(n);
        if (tvMain->isExpanded(index))
            tvMain->collapse(index);
        for (int i = 0; i < n->childCount(); ++i)
            stack.push_back(n->child(i));
    }
}

void TfrmMain::expandSubtree(const TTreeNode* node)
{
    if (!node)
        return;
    // The subtree of the only top-level node is the whole tree: the view expands
    // it while it lays the rows out, in one pass instead of two.
    if (!node->parent() && FDocument.Tree().topLevelCount() == 1)
        tvMain->expandAll();
    else
        tvMain->expandRecursively(FModel->indexOf(node));
}

void TfrmMain::scrollToTop(const TTreeNode* node)
{
    tvMain->scrollTo(FModel->indexOf(node), QAbstractItemView::PositionAtTop);
}

void TfrmMain::applyMoveDisplayEffects(const TMoveResult& result, TTreeNode* formerParent)
{
    // What a move does to the display: the moved node comes out collapsed with its
    // whole subtree, its new parent is expanded, and a former parent left without
    // children is collapsed.
    collapseSubtree(result.moved);
    if (result.newParent)
        tvMain->expand(FModel->indexOf(result.newParent));
    if (formerParent && formerParent != result.newParent && !formerParent->hasChildren())
        tvMain->collapse(FModel->indexOf(formerParent));
}

void TfrmMain::actUpExecute()
{
    TTreeNode* s = selectedNode();
    if (!s || !CanMoveUp(s))
        return;
    const bool wasExpanded = tvMain->isExpanded(FModel->indexOf(s));
    const TMoveResult r = FDocument.MoveUp(s);
    if (!r)
        return;
    applyMoveDisplayEffects(r, s->parent());
    if (wasExpanded)
        expandSubtree(s);
    if (s->hasChildren())
        scrollToTop(s);
}

void TfrmMain::actDownExecute()
{
    TTreeNode* s = selectedNode();
    if (!s || !CanMoveDown(s))
        return;
    TTreeNode* n = s->nextSibling();
    const bool nextWasExpanded = tvMain->isExpanded(FModel->indexOf(n));
    const TMoveResult r = FDocument.MoveDown(s);
    if (!r)
        return;
    applyMoveDisplayEffects(r, s->parent());
    if (nextWasExpanded)
        expandSubtree(r.moved);
    if (s->hasChildren())
        scrollToTop(s);
}

void TfrmMain::actUpToOneLevelExecute()
{
    TTreeNode* s = selectedNode();
    if (!s || !CanMoveOneLevelUp(s))
        return;
    TTreeNode* formerParent = s->parent();
    const bool wasExpanded = tvMain->isExpanded(FModel->indexOf(s));
    const TMoveResult r = FDocument.MoveOneLevelUp(s);
    if (!r)
        return;
    applyMoveDisplayEffects(r, formerParent);
    if (s->hasChildren()) {
        if (wasExpanded)
            expandSubtree(s);
        scrollToTop(s);
    }
}

bool TfrmMain::tvMainDragOver(const QMimeData* mime, const QModelIndex& target)
{
    // Only a node dragged out of this very tree qualifies.
    const TTreeNode* dragged = FModel->nodeFromMimeData(mime);
    const TTreeNode* s = selectedNode();
    const TTreeNode* t = TreeModel::nodeOf(target);
    if (!dragged || !s || dragged != s || !t)
        return false;
    return CanDrop(s, t);
}

void TfrmMain::tvMainDragDrop(const QMimeData* mime, const QModelIndex& target)
{
    if (!tvMainDragOver(mime, target))
        return;
    TTreeNode* s = selectedNode();
    TTreeNode* formerParent = s->parent();
    const TMoveResult r = FDocument.Drop(s, TreeModel::nodeOf(target));
    if (r)
        applyMoveDisplayEffects(r, formerParent);
}

void TfrmMain::actCollapseExecute()
{
    if (const TTreeNode* s = selectedNode())
        collapseSubtree(s);
}

void TfrmMain::actExpandExecute()
{
    if (const TTreeNode* s = selectedNode())
        expandSubtree(s);
}

// --- clipboard -------------------------------------------------------------------

void TfrmMain::actCopyToClipboardExecute()
{
    const TTreeNode* s = selectedNode();
    if (!tvMain->hasFocus() || !s)
        return;
    QGuiApplication::clipboard()->setText(FDocument.ClipboardText(s));
}

// --- undo and redo of document changes -------------------------------------------

void TfrmMain::undoDocumentChange()
{
    showDocumentChange(FDocument.Undo());
}

void TfrmMain::redoDocumentChange()
{
    showDocumentChange(FDocument.Redo());
}

void TfrmMain::showDocumentChange(TTreeNode* node)
{
    if (!node)
        return;
    for (const TTreeNode* p = node->parent(); p; p = p->parent())
        tvMain->expand(FModel->indexOf(p));
    selectNode(node);
    tvMainClick(); // also when node was selected already: its text may have changed
    tvMain->scrollTo(FModel->indexOf(node));
    updateActions();
}

} // namespace korvel
