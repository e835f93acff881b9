// The component tree: one node per object block of the form text, each node
// carrying its TPROPREC, ordered top-level nodes and ordered children, and the
// move primitive that reordering uses. Plain C++; views observe it through
// TTreeObserver.
#pragma once

#include "document/PropRec.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace korvel {

class TComponentTree;

// Where MoveTo puts a node relative to its destination.
enum TNodeAttachMode : uint8_t {
    naInsert,   // immediately before the destination, under the destination's parent
    naAdd,      // as the last sibling of the destination
    naAddChild, // as the last child of the destination
};

// One component of the tree.
class TTreeNode {
public:
    TTreeNode(TPROPREC record, QString caption, int imageIndex);
    // Destroys the whole subtree iteratively, so any depth is safe.
    ~TTreeNode();
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;

    // The record of the node's object block (applied property edits go here).
    TPROPREC& record() { return FRecord; }
    const TPROPREC& record() const { return FRecord; }
    // The text shown in the tree: the name, or the no-name text.
    const QString& caption() const { return FCaption; }
    void setCaption(QString caption) { FCaption = std::move(caption); }
    // 0 for a node created at top level, 1 for the others; moves keep it.
    int imageIndex() const { return FImageIndex; }

    // The parent node, or nullptr for a top-level node.
    TTreeNode* parent() const;
    // The position among the node's siblings (top-level nodes are siblings of each other).
    int row() const { return FRow; }
    // Depth in the tree: 0 for a top-level node (O(depth)).
    int depth() const;
    // Number of children.
    int childCount() const { return static_cast<int>(FChildren.size()); }
    bool hasChildren() const { return !FChildren.empty(); }
    // The i-th child in order; nullptr when i is out of range.
    TTreeNode* child(int i) const;
    // The previous / next sibling under the same parent, or nullptr.
    TTreeNode* prevSibling() const;
    TTreeNode* nextSibling() const;
    // True when node is this node or lies in its subtree (O(depth of node)).
    bool isSelfOrAncestorOf(const TTreeNode* node) const;

private:
    friend class TComponentTree;
    TTreeNode() = default; // the hidden root of a tree
    static void destroySubtrees(std::vector<std::unique_ptr<TTreeNode>>& nodes);

    TPROPREC FRecord;
    QString FCaption;
    int FImageIndex = 0;
    int FRow = 0;
    bool FIsRoot = false;
    TTreeNode* FParent = nullptr;
    std::vector<std::unique_ptr<TTreeNode>> FChildren;
};

// Told about structural changes of a tree, so a view can keep its rows in step.
// Rows are positions among siblings; parent nullptr means the top level.
class TTreeObserver {
public:
    virtual ~TTreeObserver() = default;
    // Before node leaves (oldParent, oldRow) for (newParent, newRow); newRow is its
    // row after the move. Within the same parent a view's "destination row before
    // the move" is newRow + 1 when moving down.
    virtual void beforeMove(TTreeNode* node, TTreeNode* oldParent, int oldRow, TTreeNode* newParent, int newRow) = 0;
    // After the move described in beforeMove has happened.
    virtual void afterMove(TTreeNode* node, TTreeNode* oldParent, int oldRow, TTreeNode* newParent, int newRow) = 0;
    // Before the whole content is replaced or cleared; no node pointer stays valid after it.
    virtual void beforeReset() = 0;
    // After the content was replaced or cleared.
    virtual void afterReset() = 0;
};

// The ordered top-level nodes with their subtrees.
class TComponentTree {
public:
    TComponentTree();
    ~TComponentTree();
    TComponentTree(const TComponentTree&) = delete;
    TComponentTree& operator=(const TComponentTree&) = delete;

    // Number of nodes in the whole tree.
    int64_t count() const { return FCount; }
    bool isEmpty() const { return FCount == 0; }
    // Number of top-level nodes.
    int topLevelCount() const { return static_cast<int>(FRoot->FChildren.size()); }
    // The i-th top-level node; nullptr when i is out of range.
    TTreeNode* topLevel(int i) const { return FRoot->child(i); }
    // The first top-level node, or nullptr for an empty tree.
    TTreeNode* firstNode() const { return FRoot->child(0); }
    // The node at position index in depth-first order (parent before its children,
    // children in order); nullptr when out of range. O(index).
    TTreeNode* GetNodeFromIndex(int64_t index) const;

    // Appends a top-level node after the existing ones. Notifies no observer:
    // trees are built unobserved and installed with replaceContents.
    TTreeNode* addTopLevel(TPROPREC record, QString caption, int imageIndex);
    // Appends node as the last child of parent (nullptr: top level). Notifies no observer.
    TTreeNode* addChild(TTreeNode* parent, TPROPREC record, QString caption, int imageIndex);

    // Removes every node (iteratively), inside beforeReset/afterReset.
    void clear();
    // Takes over all nodes of other (which ends empty), inside beforeReset/afterReset;
    // the previous nodes are destroyed after afterReset.
    void replaceContents(TComponentTree&& other);

    // Moves node with its subtree relative to destination. Returns false and changes
    // nothing when either is null, belongs to another tree, or when the new parent
    // would be node itself or lie in its subtree. A legal move that leaves the node
    // where it stands returns true without any observer call. O(siblings + depth).
    bool MoveTo(TTreeNode* node, TTreeNode* destination, TNodeAttachMode mode);

    // Registers an observer (not owned); removeObserver unregisters it.
    void addObserver(TTreeObserver* observer);
    void removeObserver(TTreeObserver* observer);

private:
    TTreeNode* append(TTreeNode* parent, TPROPREC&& record, QString&& caption, int imageIndex);

    std::unique_ptr<TTreeNode> FRoot;
    int64_t FCount = 0;
    std::vector<TTreeObserver*> FObservers;
};

} // namespace korvel
