// Finding components: by name or class for the tree's filter, by property text
// for the second search mode, and the order in which next/previous step through matches.
#pragma once

#include "document/ComponentTree.h"

#include <QString>
#include <QStringView>

#include <functional>
#include <unordered_set>
#include <vector>

namespace korvel {

// The components a filter text leaves in the tree.
struct TComponentFilter {
    // The nodes whose name or class contains the text, in depth-first order.
    std::vector<const TTreeNode*> Matches;
    // The matches and all their ancestors: the nodes the filtered tree shows.
    std::unordered_set<const TTreeNode*> Kept;
};

// The nodes whose component name or class name contains text (letter case ignored);
// an empty text matches every node. Iterative, so any depth is safe.
TComponentFilter FilterComponents(const TComponentTree& tree, QStringView text);

// One occurrence of the searched text in a node's property text.
struct TPropertyMatch {
    const TTreeNode* Node = nullptr;
    // Where the occurrence stands in the node's property text, in UTF-16 code units.
    qsizetype Offset = 0;
    qsizetype Length = 0;
};

// The property text a search looks at for a node (the text the pane shows).
using TPropertyTextOf = std::function<QString(const TTreeNode*)>;

// Every occurrence of text in the nodes' property texts (letter case ignored), nodes
// in depth-first order, occurrences in text order, not overlapping. Empty text finds nothing.
std::vector<TPropertyMatch> FindInProperties(
    const TComponentTree& tree, QStringView text, const TPropertyTextOf& propertyText);

// The match that next (forward) or previous steps to from current, wrapping around
// at either end; from -1 (no current match) forward gives the first match and
// backward the last. -1 when there are no matches.
int StepMatch(int current, int count, bool forward);

} // namespace korvel
