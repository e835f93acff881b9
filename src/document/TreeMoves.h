// The user's reordering operations on the component tree: move up, move down,
// move one level up, and drag and drop. Each checks its precondition first and
// changes nothing when it does not hold. Expanded state and scrolling are the
// view's: the result says which node moved and where it went.
#pragma once

#include "document/ComponentTree.h"

namespace korvel {

// The outcome of a reordering operation.
struct TMoveResult {
    // The node that was moved (for Move down: the next sibling that went above S);
    // nullptr when the precondition failed and nothing changed.
    TTreeNode* moved = nullptr;
    // The moved node's parent after the move (nullptr: top level).
    TTreeNode* newParent = nullptr;
    // The moved node's row after the move.
    int newRow = -1;

    explicit operator bool() const { return moved != nullptr; }
};

// S has a previous sibling.
bool CanMoveUp(const TTreeNode* s);
// Puts S immediately before its previous sibling.
TMoveResult MoveUp(TComponentTree& tree, TTreeNode* s);

// S has a next sibling.
bool CanMoveDown(const TTreeNode* s);
// Puts S's next sibling N immediately before S; the result names N.
TMoveResult MoveDown(TComponentTree& tree, TTreeNode* s);

// S has a parent P and P has a parent G.
bool CanMoveOneLevelUp(const TTreeNode* s);
// Makes S the last child of its grandparent.
TMoveResult MoveOneLevelUp(TComponentTree& tree, TTreeNode* s);

// Drag-over acceptance: S and the target T exist, T is not S and T does not lie
// in S's subtree. (Whether the drag comes from the tree itself is the view's test.)
bool CanDrop(const TTreeNode* s, const TTreeNode* target);
// Makes S the last child of target (dropping on S's own parent moves S to the
// end of its siblings).
TMoveResult Drop(TComponentTree& tree, TTreeNode* s, TTreeNode* target);

} // namespace korvel
