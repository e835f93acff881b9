#include "document/ComponentTree.h"

#include "document/support/TreeShape.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;

namespace {

// Every node's row() equals its position and its parent() is the node above it.
void expectConsistent(const TComponentTree& tree)
{
    int64_t seen = 0;
    for (int64_t i = 0; i < tree.count(); ++i) {
        TTreeNode* n = tree.GetNodeFromIndex(i);
        ASSERT_NE(n, nullptr);
        ++seen;
        for (int c = 0; c < n->childCount(); ++c) {
            EXPECT_EQ(n->child(c)->row(), c);
            EXPECT_EQ(n->child(c)->parent(), n);
        }
    }
    for (int t = 0; t < tree.topLevelCount(); ++t) {
        EXPECT_EQ(tree.topLevel(t)->row(), t);
        EXPECT_EQ(tree.topLevel(t)->parent(), nullptr);
    }
    EXPECT_EQ(seen, tree.count());
    EXPECT_EQ(tree.GetNodeFromIndex(tree.count()), nullptr);
}

class RecordingObserver : public TTreeObserver {
public:
    std::vector<std::string> log;

    static std::string name(TTreeNode* n) { return n ? n->caption().toStdString() : "-"; }
    void beforeMove(TTreeNode* node, TTreeNode* op, int orow, TTreeNode* np, int nrow) override
    {
        log.push_back("before " + name(node) + " " + name(op) + ":" + std::to_string(orow) + " > " + name(np) + ":"
            + std::to_string(nrow));
    }
    void afterMove(TTreeNode* node, TTreeNode*, int, TTreeNode* np, int nrow) override
    {
        // After the move the node stands exactly where beforeMove announced.
        EXPECT_EQ(node->parent(), np);
        EXPECT_EQ(node->row(), nrow);
        log.push_back("after " + name(node));
    }
    void beforeReset() override { log.push_back("beforeReset"); }
    void afterReset() override { log.push_back("afterReset"); }
};

struct MoveCase {
    const char* shape;
    const char* node;
    const char* destination;
    TNodeAttachMode mode;
    bool accepted;
    const char* expected;
    const char* observed; // the observer's beforeMove line, "" when none
};

class MoveToTest : public ::testing::TestWithParam<MoveCase> { };

TEST_P(MoveToTest, MovesOrRefuses)
{
    const MoveCase& c = GetParam();
    TComponentTree tree;
    buildShape(tree, c.shape);
    RecordingObserver obs;
    tree.addObserver(&obs);
    EXPECT_EQ(tree.MoveTo(find(tree, c.node), find(tree, c.destination), c.mode), c.accepted);
    EXPECT_EQ(shapeOf(tree), c.expected);
    if (*c.observed) {
        ASSERT_EQ(obs.log.size(), 2u);
        EXPECT_EQ(obs.log[0], c.observed);
    } else {
        EXPECT_TRUE(obs.log.empty());
    }
    expectConsistent(tree);
}

INSTANTIATE_TEST_SUITE_P(ComponentTree, MoveToTest,
    ::testing::Values(MoveCase{"A(B,C,D)", "C", "B", naInsert, true, "A(C,B,D)", "before C A:1 > A:0"},
        MoveCase{"A(B,C,D)", "B", "D", naInsert, true, "A(C,B,D)", "before B A:0 > A:1"},
        MoveCase{"A(B,C,D)", "B", "B", naInsert, true, "A(B,C,D)", ""},
        MoveCase{"A(B,C,D)", "B", "C", naInsert, true, "A(B,C,D)", ""},
        MoveCase{"A(B,C,D)", "B", "C", naAdd, true, "A(C,D,B)", "before B A:0 > A:2"},
        MoveCase{"A(B,C,D)", "D", "B", naAdd, true, "A(B,C,D)", ""},
        MoveCase{"A(B,C,D)", "B", "B", naAdd, true, "A(C,D,B)", "before B A:0 > A:2"},
        MoveCase{"A(B(E),C,D)", "E", "D", naInsert, true, "A(B,C,E,D)", "before E B:0 > A:2"},
        MoveCase{"A(B(E),C,D)", "E", "B", naAdd, true, "A(B,C,D,E)", "before E B:0 > A:3"},
        MoveCase{"A(B(E),C,D)", "D", "E", naAddChild, true, "A(B(E(D)),C)", "before D A:2 > E:0"},
        MoveCase{"A(B(E),C,D)", "C", "B", naAddChild, true, "A(B(E,C),D)", "before C A:1 > B:1"},
        MoveCase{"A(B(E),C,D)", "E", "B", naAddChild, true, "A(B(E),C,D)", ""},
        MoveCase{"A(B(E),C),F", "C", "F", naInsert, true, "A(B(E)),C,F", "before C A:1 > -:1"},
        MoveCase{"A(B(E),C),F", "F", "A", naInsert, true, "F,A(B(E),C)", "before F -:1 > -:0"},
        // never into the node's own subtree
        MoveCase{"A(B(E(G)),C)", "B", "E", naAddChild, false, "A(B(E(G)),C)", ""},
        MoveCase{"A(B(E(G)),C)", "B", "G", naInsert, false, "A(B(E(G)),C)", ""},
        MoveCase{"A(B(E(G)),C)", "B", "B", naAddChild, false, "A(B(E(G)),C)", ""},
        MoveCase{"A(B(E(G)),C)", "A", "G", naAdd, false, "A(B(E(G)),C)", ""},
        MoveCase{"A(B(E(G)),C)", "B", "E", naAdd, false, "A(B(E(G)),C)", ""},
        MoveCase{"A(B)", "B", "missing", naAdd, false, "A(B)", ""}));

TEST(ComponentTree, GetNodeFromIndexWalksDepthFirst)
{
    TComponentTree tree;
    buildShape(tree, "A(B(C,D(E)),F),G(H),I");
    std::string order;
    for (int64_t i = 0; i < tree.count(); ++i)
        order += tree.GetNodeFromIndex(i)->caption().toStdString();
    EXPECT_EQ(order, "ABCDEFGHI");
    EXPECT_EQ(tree.count(), 9);
    EXPECT_EQ(tree.GetNodeFromIndex(-1), nullptr);
    EXPECT_EQ(tree.GetNodeFromIndex(9), nullptr);
}

TEST(ComponentTree, ResetsAreAnnounced)
{
    TComponentTree tree;
    buildShape(tree, "A(B)");
    RecordingObserver obs;
    tree.addObserver(&obs);
    TComponentTree other;
    buildShape(other, "X(Y,Z)");
    tree.replaceContents(std::move(other));
    EXPECT_EQ(shapeOf(tree), "X(Y,Z)");
    EXPECT_EQ(tree.count(), 3);
    EXPECT_TRUE(other.isEmpty());
    EXPECT_EQ(other.topLevelCount(), 0);
    expectConsistent(tree);
    tree.clear();
    EXPECT_TRUE(tree.isEmpty());
    EXPECT_EQ(tree.firstNode(), nullptr);
    EXPECT_EQ(obs.log, (std::vector<std::string>{"beforeReset", "afterReset", "beforeReset", "afterReset"}));
    tree.removeObserver(&obs);
    tree.clear();
    EXPECT_EQ(obs.log.size(), 4u);
}

TEST(ComponentTree, NodesOfAnotherTreeAreRefused)
{
    TComponentTree a, b;
    buildShape(a, "A(B)");
    buildShape(b, "C(D)");
    EXPECT_FALSE(a.MoveTo(find(a, "B"), find(b, "C"), naAddChild));
    EXPECT_FALSE(a.MoveTo(find(b, "D"), find(a, "A"), naAddChild));
    EXPECT_EQ(shapeOf(a), "A(B)");
    EXPECT_EQ(shapeOf(b), "C(D)");
}

TEST(ComponentTree, HundredThousandLevelsNeedNoDeepStack)
{
    constexpr int kDepth = 100000;
    auto tree = std::make_unique<TComponentTree>();
    TTreeNode* n = addNamed(*tree, nullptr, QStringLiteral("R"));
    TTreeNode* root = n;
    for (int i = 1; i < kDepth; ++i)
        n = addNamed(*tree, n, QStringLiteral("N"));
    EXPECT_EQ(tree->count(), kDepth);
    EXPECT_EQ(tree->GetNodeFromIndex(kDepth - 1), n);
    EXPECT_EQ(n->depth(), kDepth - 1);
    // The deepest node moves to the top level, and the root may not go under it.
    EXPECT_FALSE(tree->MoveTo(root, n, naAddChild));
    EXPECT_TRUE(tree->MoveTo(n, root, naAdd));
    EXPECT_EQ(tree->topLevelCount(), 2);
    tree.reset(); // destruction of the remaining 99,999-deep chain
    SUCCEED();
}

} // namespace
