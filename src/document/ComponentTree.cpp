#include "document/ComponentTree.h"

#include <algorithm>

namespace korvel {

// --- TTreeNode ---------------------------------------------------------------

TTreeNode::TTreeNode(TPROPREC record, QString caption, int imageIndex)
    : FRecord(std::move(record)), FCaption(std::move(caption)), FImageIndex(imageIndex)
{
}

TTreeNode::~TTreeNode()
{
    if (!FChildren.empty())
        destroySubtrees(FChildren);
}

void TTreeNode::destroySubtrees(std::vector<std::unique_ptr<TTreeNode>>& nodes)
{
    // Every node gives up its children before it is destroyed, so no destructor
    // below this one ever sees a non-empty list: no recursion, whatever the depth.
    std::vector<std::unique_ptr<TTreeNode>> pending = std::move(nodes);
    nodes.clear();
    while (!pending.empty()) {
        std::unique_ptr<TTreeNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& c : node->FChildren)
            pending.push_back(std::move(c));
        node->FChildren.clear();
    }
}

TTreeNode* TTreeNode::parent() const
{
    return FParent && !FParent->FIsRoot ? FParent : nullptr;
}

int TTreeNode::depth() const
{
    int d = 0;
    for (const TTreeNode* p = parent(); p; p = p->parent())
        ++d;
    return d;
}

TTreeNode* TTreeNode::child(int i) const
{
    if (i < 0 || i >= static_cast<int>(FChildren.size()))
        return nullptr;
    return FChildren[static_cast<size_t>(i)].get();
}

TTreeNode* TTreeNode::prevSibling() const
{
    return FParent ? FParent->child(FRow - 1) : nullptr;
}

TTreeNode* TTreeNode::nextSibling() const
{
    return FParent ? FParent->child(FRow + 1) : nullptr;
}

bool TTreeNode::isSelfOrAncestorOf(const TTreeNode* node) const
{
    for (; node; node = node->FParent)
        if (node == this)
            return true;
    return false;
}

// --- TComponentTree ----------------------------------------------------------

TComponentTree::TComponentTree() : FRoot(new TTreeNode())
{
    FRoot->FIsRoot = true;
}

TComponentTree::~TComponentTree() = default;

TTreeNode* TComponentTree::GetNodeFromIndex(int64_t index) const
{
    if (index < 0 || index >= FCount)
        return nullptr;
    // Pre-order walk with an explicit cursor: descend to the first child, else
    // climb until a next sibling exists.
    TTreeNode* node = FRoot->child(0);
    for (int64_t i = 0; i < index; ++i) {
        if (node->hasChildren()) {
            node = node->FChildren.front().get();
            continue;
        }
        for (;;) {
            if (TTreeNode* next = node->FParent->child(node->FRow + 1)) {
                node = next;
                break;
            }
            node = node->FParent;
            if (node->FIsRoot)
                return nullptr;
        }
    }
    return node;
}

TTreeNode* TComponentTree::append(TTreeNode* parent, TPROPREC&& record, QString&& caption, int imageIndex)
{
    auto node = std::make_unique<TTreeNode>(std::move(record), std::move(caption), imageIndex);
    node->FParent = parent;
    node->FRow = static_cast<int>(parent->FChildren.size());
    TTreeNode* raw = node.get();
    parent->FChildren.push_back(std::move(node));
    ++FCount;
    return raw;
}

TTreeNode* TComponentTree::addTopLevel(TPROPREC record, QString caption, int imageIndex)
{
    return append(FRoot.get(), std::move(record), std::move(caption), imageIndex);
}

TTreeNode* TComponentTree::addChild(TTreeNode* parent, TPROPREC record, QString caption, int imageIndex)
{
    return append(parent ? parent : FRoot.get(), std::move(record), std::move(caption), imageIndex);
}

void TComponentTree::clear()
{
    for (TTreeObserver* o : FObservers)
        o->beforeReset();
    TTreeNode::destroySubtrees(FRoot->FChildren);
    FCount = 0;
    for (TTreeObserver* o : FObservers)
        o->afterReset();
}

void TComponentTree::replaceContents(TComponentTree&& other)
{
    for (TTreeObserver* o : FObservers)
        o->beforeReset();
    std::vector<std::unique_ptr<TTreeNode>> old = std::move(FRoot->FChildren);
    FRoot->FChildren = std::move(other.FRoot->FChildren);
    other.FRoot->FChildren.clear();
    for (auto& c : FRoot->FChildren)
        c->FParent = FRoot.get();
    FCount = other.FCount;
    other.FCount = 0;
    for (TTreeObserver* o : FObservers)
        o->afterReset();
    TTreeNode::destroySubtrees(old);
}

bool TComponentTree::MoveTo(TTreeNode* node, TTreeNode* destination, TNodeAttachMode mode)
{
    if (!node || !destination || node->FIsRoot || destination->FIsRoot || !node->FParent || !destination->FParent)
        return false;

    TTreeNode* newParent = mode == naAddChild ? destination : destination->FParent;
    // One walk from the new parent to the root answers both questions: is the new
    // parent inside the moved subtree, and do both nodes belong to this tree?
    bool reachesRoot = false;
    for (const TTreeNode* p = newParent; p; p = p->FParent) {
        if (p == node)
            return false;
        if (p == FRoot.get())
            reachesRoot = true;
    }
    if (!reachesRoot)
        return false;
    {
        const TTreeNode* r = node;
        while (r->FParent)
            r = r->FParent;
        if (r != FRoot.get())
            return false;
    }

    TTreeNode* oldParent = node->FParent;
    const int oldRow = node->FRow;
    int newRow; // the node's row after the move
    if (mode == naInsert) {
        newRow = destination->FRow;
        if (oldParent == newParent && oldRow < newRow)
            --newRow; // the node's own removal shifts the destination up by one
    } else {
        newRow = static_cast<int>(newParent->FChildren.size());
        if (oldParent == newParent)
            --newRow;
    }
    if (oldParent == newParent && oldRow == newRow)
        return true;

    TTreeNode* viewOldParent = oldParent->FIsRoot ? nullptr : oldParent;
    TTreeNode* viewNewParent = newParent->FIsRoot ? nullptr : newParent;
    for (TTreeObserver* o : FObservers)
        o->beforeMove(node, viewOldParent, oldRow, viewNewParent, newRow);

    auto& from = oldParent->FChildren;
    if (oldParent == newParent) {
        // Rotate within one list: only the rows between the two positions change.
        auto first = from.begin();
        if (oldRow < newRow)
            std::rotate(first + oldRow, first + oldRow + 1, first + newRow + 1);
        else
            std::rotate(first + newRow, first + oldRow, first + oldRow + 1);
        const int lo = std::min(oldRow, newRow);
        const int hi = std::max(oldRow, newRow);
        for (int i = lo; i <= hi; ++i)
            from[static_cast<size_t>(i)]->FRow = i;
    } else {
        std::unique_ptr<TTreeNode> owned = std::move(from[static_cast<size_t>(oldRow)]);
        from.erase(from.begin() + oldRow);
        for (size_t i = static_cast<size_t>(oldRow); i < from.size(); ++i)
            from[i]->FRow = static_cast<int>(i);
        auto& to = newParent->FChildren;
        to.insert(to.begin() + newRow, std::move(owned));
        for (size_t i = static_cast<size_t>(newRow); i < to.size(); ++i)
            to[i]->FRow = static_cast<int>(i);
        node->FParent = newParent;
    }

    for (TTreeObserver* o : FObservers)
        o->afterMove(node, viewOldParent, oldRow, viewNewParent, newRow);
    return true;
}

void TComponentTree::addObserver(TTreeObserver* observer)
{
    if (observer && std::find(FObservers.begin(), FObservers.end(), observer) == FObservers.end())
        FObservers.push_back(observer);
}

void TComponentTree::removeObserver(TTreeObserver* observer)
{
    FObservers.erase(std::remove(FObservers.begin(), FObservers.end(), observer), FObservers.end());
}

} // namespace korvel
