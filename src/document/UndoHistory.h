// TUndoHistory: the document changes the user can take back and redo — moves of
// a node (up, down, one level up, drag and drop) and property text applied to or
// reverted from a node's record. It also remembers which state was last saved,
// so the document knows whether it has unsaved changes. It observes the tree:
// replacing the tree's contents (a load, a reparse) forgets every step.
#pragma once

#include "document/ComponentTree.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <deque>

namespace korvel {

class TUndoHistory : public TTreeObserver {
public:
    // The oldest step is forgotten when a new one would exceed this many.
    static constexpr std::size_t kMaxSteps = 200;

    // Records that node has just moved from (fromParent, fromRow) to where it stands
    // now; focus is the node the user had selected (shown again by undo and redo).
    void recordMove(TTreeNode* node, TTreeNode* fromParent, int fromRow, TTreeNode* focus);
    // Records that node's Modified flag and ModProperties have just changed from the
    // given values to the ones the record holds now.
    void recordProperties(TTreeNode* node, bool oldModified, QString oldText);

    bool canUndo() const { return FIndex > 0; }
    bool canRedo() const { return FIndex < FSteps.size(); }
    // Takes the last step back / does the next step again; the node to show, or
    // nullptr when there was nothing to do.
    TTreeNode* undo(TComponentTree& tree);
    TTreeNode* redo(TComponentTree& tree);

    // Forgets every step; the present state counts as saved.
    void clear();
    // The present state is the saved one.
    void markSaved() { FSaved = FIndex; }
    // The state as loaded is the saved one (its bytes were written back).
    void markLoadedSaved() { FSaved = FDropped ? kUnreachable : 0; }
    // The present state differs from the saved one.
    bool isModified() const { return FSaved != FIndex; }
    std::size_t stepCount() const { return FSteps.size(); }
    // Grows with every change made or taken back through the history and with every
    // reset of the tree: while it stays the same, so do the tree and its records.
    std::uint64_t changeCount() const { return FChanges; }

    // TTreeObserver: moves are the history's own business; a reset ends every step.
    void beforeMove(TTreeNode*, TTreeNode*, int, TTreeNode*, int) override { }
    void afterMove(TTreeNode*, TTreeNode*, int, TTreeNode*, int) override { }
    void beforeReset() override { clear(); }
    void afterReset() override { }

private:
    // One side (before or after) of a step.
    struct TState {
        TTreeNode* parent = nullptr;
        int row = 0;
        bool modified = false;
        QString text;
    };
    struct TStep {
        bool isMove = false;
        TTreeNode* node = nullptr;
        TTreeNode* focus = nullptr;
        TState before;
        TState after;
    };

    void push(TStep step);
    static void restore(TComponentTree& tree, const TStep& step, const TState& state);

    std::deque<TStep> FSteps;
    // Steps [0, FIndex) are done; the rest can be redone.
    std::size_t FIndex = 0;
    // The FIndex of the saved state; kUnreachable once that state cannot come back.
    static constexpr std::size_t kUnreachable = std::size_t(-1);
    std::size_t FSaved = 0;
    // Steps were forgotten since the last clear: the loaded state cannot come back.
    bool FDropped = false;
    std::uint64_t FChanges = 0;
};

} // namespace korvel
