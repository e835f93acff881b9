// Compact tree shapes for the tree tests: "A(B(C),D),E" builds top-level A with
// children B (with child C) and D, then top-level E; shapeOf() prints a tree the
// same way, so expectations read as one line each.
#pragma once

#include "document/ComponentTree.h"

#include <QString>

#include <string>
#include <vector>

namespace korvel::test {

inline TTreeNode* addNamed(TComponentTree& tree, TTreeNode* parent, const QString& name)
{
    TPROPREC r;
    r.ObjectName = name;
    r.ClassName = QStringLiteral("T") + name;
    return parent ? tree.addChild(parent, r, name, 1) : tree.addTopLevel(r, name, 0);
}

inline void buildShape(TComponentTree& tree, const std::string& shape)
{
    std::vector<TTreeNode*> parents{nullptr};
    TTreeNode* last = nullptr;
    std::string name;
    auto flush = [&] {
        if (!name.empty())
            last = addNamed(tree, parents.back(), QString::fromStdString(name));
        name.clear();
    };
    for (char c : shape) {
        if (c == '(') {
            flush();
            parents.push_back(last);
        } else if (c == ')') {
            flush();
            parents.pop_back();
        } else if (c == ',') {
            flush();
        } else {
            name += c;
        }
    }
    flush();
}

inline std::string shapeOf(const TComponentTree& tree)
{
    // Iterative, so deep trees print too.
    std::string out;
    struct Item {
        const TTreeNode* node;
        bool close;
    };
    std::vector<Item> stack;
    for (int i = tree.topLevelCount() - 1; i >= 0; --i)
        stack.push_back({tree.topLevel(i), false});
    bool first = true;
    while (!stack.empty()) {
        const Item it = stack.back();
        stack.pop_back();
        if (it.close) {
            out += ')';
            first = false;
            continue;
        }
        if (!first && out.back() != '(')
            out += ',';
        first = false;
        out += it.node->caption().toStdString();
        if (it.node->hasChildren()) {
            out += '(';
            stack.push_back({it.node, true});
            for (int c = it.node->childCount() - 1; c >= 0; --c)
                stack.push_back({it.node->child(c), false});
        }
    }
    return out;
}

// The node whose caption is name (depth-first search), or nullptr.
inline TTreeNode* find(const TComponentTree& tree, const std::string& name)
{
    for (int64_t i = 0; i < tree.count(); ++i) {
        TTreeNode* n = tree.GetNodeFromIndex(i);
        if (n->caption().toStdString() == name)
            return n;
    }
    return nullptr;
}

} // namespace korvel::test
