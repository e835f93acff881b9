#include "document/FindComponents.h"

namespace korvel {
namespace {

// Calls visit for every node in depth-first order (parent before children), iteratively.
template <typename Visit> void ForEachNode(const TComponentTree& tree, Visit&& visit)
{
    std::vector<const TTreeNode*> stack;
    for (int i = tree.topLevelCount() - 1; i >= 0; --i)
        stack.push_back(tree.topLevel(i));
    while (!stack.empty()) {
        const TTreeNode* node = stack.back();
        stack.pop_back();
        visit(node);
        for (int i = node->childCount() - 1; i >= 0; --i)
            stack.push_back(node->child(i));
    }
}

} // namespace

TComponentFilter FilterComponents(const TComponentTree& tree, QStringView text)
{
    TComponentFilter filter;
    ForEachNode(tree, [&](const TTreeNode* node) {
        const TPROPREC& r = node->record();
        if (!r.ObjectName.contains(text, Qt::CaseInsensitive) && !r.ClassName.contains(text, Qt::CaseInsensitive))
            return;
        filter.Matches.push_back(node);
        // Ancestors already kept keep theirs too: stop at the first one.
        for (const TTreeNode* n = node; n && filter.Kept.insert(n).second; n = n->parent()) { }
    });
    return filter;
}

std::vector<TPropertyMatch> FindInProperties(
    const TComponentTree& tree, QStringView text, const TPropertyTextOf& propertyText)
{
    std::vector<TPropertyMatch> matches;
    if (text.isEmpty())
        return matches;
    ForEachNode(tree, [&](const TTreeNode* node) {
        const QString props = propertyText(node);
        for (qsizetype at = props.indexOf(text, 0, Qt::CaseInsensitive); at >= 0;
             at = props.indexOf(text, at + text.size(), Qt::CaseInsensitive))
            matches.push_back({node, at, text.size()});
    });
    return matches;
}

int StepMatch(int current, int count, bool forward)
{
    if (count <= 0)
        return -1;
    if (current < 0 || current >= count)
        return forward ? 0 : count - 1;
    return forward ? (current + 1) % count : (current + count - 1) % count;
}

} // namespace korvel
