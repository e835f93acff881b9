#include "document/UndoHistory.h"

#include <utility>

namespace korvel {

namespace {

TTreeNode* childOf(const TComponentTree& tree, TTreeNode* parent, int i)
{
    return parent ? parent->child(i) : tree.topLevel(i);
}

// Puts node at row among the children of parent (nullptr: the top level), the
// row counted without node itself.
void placeAt(TComponentTree& tree, TTreeNode* node, TTreeNode* parent, int row)
{
    const int count = parent ? parent->childCount() : tree.topLevelCount();
    TTreeNode* last = nullptr;
    int seen = 0;
    for (int i = 0; i < count; ++i) {
        TTreeNode* c = childOf(tree, parent, i);
        if (c == node)
            continue;
        if (seen++ == row) {
            tree.MoveTo(node, c, naInsert);
            return;
        }
        last = c;
    }
    if (parent)
        tree.MoveTo(node, parent, naAddChild);
    else if (last)
        tree.MoveTo(node, last, naAdd);
}

} // namespace

void TUndoHistory::recordMove(TTreeNode* node, TTreeNode* fromParent, int fromRow, TTreeNode* focus)
{
    if (!node || (node->parent() == fromParent && node->row() == fromRow))
        return; // a move that left the node where it stood changes nothing
    TStep step;
    step.isMove = true;
    step.node = node;
    step.focus = focus ? focus : node;
    step.before.parent = fromParent;
    step.before.row = fromRow;
    step.after.parent = node->parent();
    step.after.row = node->row();
    push(std::move(step));
}

void TUndoHistory::recordProperties(TTreeNode* node, bool oldModified, QString oldText)
{
    if (!node)
        return;
    const TPROPREC& r = node->record();
    if (r.Modified == oldModified && (!r.Modified || r.ModProperties == oldText))
        return; // the same applied text again, or a revert of an unmodified node
    TStep step;
    step.node = node;
    step.focus = node;
    step.before.modified = oldModified;
    step.before.text = std::move(oldText);
    step.after.modified = r.Modified;
    step.after.text = r.ModProperties;
    push(std::move(step));
}

void TUndoHistory::push(TStep step)
{
    if (FSaved != kUnreachable && FSaved > FIndex)
        FSaved = kUnreachable; // the saved state lay among the steps being dropped
    FSteps.erase(FSteps.begin() + std::ptrdiff_t(FIndex), FSteps.end());
    FSteps.push_back(std::move(step));
    ++FIndex;
    ++FChanges;
    if (FSteps.size() > kMaxSteps) {
        FSteps.pop_front();
        --FIndex;
        FDropped = true;
        FSaved = FSaved == 0 || FSaved == kUnreachable ? kUnreachable : FSaved - 1;
    }
}

void TUndoHistory::restore(TComponentTree& tree, const TStep& step, const TState& state)
{
    if (step.isMove) {
        placeAt(tree, step.node, state.parent, state.row);
        return;
    }
    TPROPREC& r = step.node->record();
    r.Modified = state.modified;
    r.ModProperties = state.text;
}

TTreeNode* TUndoHistory::undo(TComponentTree& tree)
{
    if (!canUndo())
        return nullptr;
    const TStep& step = FSteps[--FIndex];
    restore(tree, step, step.before);
    ++FChanges;
    return step.focus;
}

TTreeNode* TUndoHistory::redo(TComponentTree& tree)
{
    if (!canRedo())
        return nullptr;
    const TStep& step = FSteps[FIndex++];
    restore(tree, step, step.after);
    ++FChanges;
    return step.focus;
}

void TUndoHistory::clear()
{
    FSteps.clear();
    FIndex = 0;
    FSaved = 0;
    FDropped = false;
    ++FChanges;
}

} // namespace korvel
