#include "document/TreeMoves.h"

namespace korvel {

namespace {

TMoveResult moveAndReport(TComponentTree& tree, TTreeNode* node, TTreeNode* destination, TNodeAttachMode mode)
{
    if (!tree.MoveTo(node, destination, mode))
        return {};
    return {node, node->parent(), node->row()};
}

} // namespace

bool CanMoveUp(const TTreeNode* s)
{
    return s && s->prevSibling();
}

TMoveResult MoveUp(TComponentTree& tree, TTreeNode* s)
{
    if (!CanMoveUp(s))
        return {};
    return moveAndReport(tree, s, s->prevSibling(), naInsert);
}

bool CanMoveDown(const TTreeNode* s)
{
    return s && s->nextSibling();
}

TMoveResult MoveDown(TComponentTree& tree, TTreeNode* s)
{
    if (!CanMoveDown(s))
        return {};
    return moveAndReport(tree, s->nextSibling(), s, naInsert);
}

bool CanMoveOneLevelUp(const TTreeNode* s)
{
    return s && s->parent() && s->parent()->parent();
}

TMoveResult MoveOneLevelUp(TComponentTree& tree, TTreeNode* s)
{
    if (!CanMoveOneLevelUp(s))
        return {};
    return moveAndReport(tree, s, s->parent(), naAdd);
}

bool CanDrop(const TTreeNode* s, const TTreeNode* target)
{
    return s && target && !s->isSelfOrAncestorOf(target);
}

TMoveResult Drop(TComponentTree& tree, TTreeNode* s, TTreeNode* target)
{
    if (!CanDrop(s, target))
        return {};
    return moveAndReport(tree, s, target, naAddChild);
}

} // namespace korvel
