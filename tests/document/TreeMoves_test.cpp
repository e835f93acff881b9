#include "document/TreeMoves.h"

#include "document/support/TreeShape.h"

#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::test;

namespace {

enum class Op { Up, Down, OneLevelUp, Drop };

struct OpCase {
    const char* shape;
    Op op;
    const char* s;      // the selected node
    const char* target; // drop target ("" otherwise)
    bool possible;
    const char* expected;
    const char* moved; // the node the result names ("" when nothing moved)
    const char* newParent;
    int newRow;
};

class TreeMovesTest : public ::testing::TestWithParam<OpCase> { };

TEST_P(TreeMovesTest, AppliesOrRefuses)
{
    const OpCase& c = GetParam();
    TComponentTree tree;
    buildShape(tree, c.shape);
    TTreeNode* s = find(tree, c.s);
    TTreeNode* t = find(tree, c.target);
    const TPROPREC before = s ? s->record() : TPROPREC{};
    TMoveResult r;
    switch (c.op) {
    case Op::Up:
        EXPECT_EQ(CanMoveUp(s), c.possible);
        r = MoveUp(tree, s);
        break;
    case Op::Down:
        EXPECT_EQ(CanMoveDown(s), c.possible);
        r = MoveDown(tree, s);
        break;
    case Op::OneLevelUp:
        EXPECT_EQ(CanMoveOneLevelUp(s), c.possible);
        r = MoveOneLevelUp(tree, s);
        break;
    case Op::Drop:
        EXPECT_EQ(CanDrop(s, t), c.possible);
        r = Drop(tree, s, t);
        break;
    }
    EXPECT_EQ(shapeOf(tree), c.expected);
    EXPECT_EQ(bool(r), *c.moved != 0);
    if (*c.moved) {
        EXPECT_EQ(r.moved, find(tree, c.moved));
        EXPECT_EQ(r.newParent, find(tree, c.newParent));
        EXPECT_EQ(r.newRow, c.newRow);
        EXPECT_EQ(r.moved->row(), c.newRow);
    }
    if (s) { // the selected node keeps its record whatever happened
        EXPECT_EQ(s->record().ObjectName, before.ObjectName);
        EXPECT_EQ(s->record().ClassName, before.ClassName);
    }
}

INSTANTIATE_TEST_SUITE_P(TreeMoves, TreeMovesTest,
    ::testing::Values(OpCase{"A(B,C,D)", Op::Up, "C", "", true, "A(C,B,D)", "C", "A", 0},
        OpCase{"A(B,C,D)", Op::Up, "B", "", false, "A(B,C,D)", "", "", 0},
        OpCase{"A(B(E),C)", Op::Up, "C", "", true, "A(C,B(E))", "C", "A", 0},
        OpCase{"A,F", Op::Up, "F", "", true, "F,A", "F", "", 0},
        OpCase{"A(B,C,D)", Op::Down, "B", "", true, "A(C,B,D)", "C", "A", 0},
        OpCase{"A(B,C,D)", Op::Down, "C", "", true, "A(B,D,C)", "D", "A", 1},
        OpCase{"A(B,C,D)", Op::Down, "D", "", false, "A(B,C,D)", "", "", 0},
        OpCase{"A,F", Op::Down, "A", "", true, "F,A", "F", "", 0},
        OpCase{"A(B(E,G),C,D)", Op::OneLevelUp, "E", "", true, "A(B(G),C,D,E)", "E", "A", 3},
        OpCase{"A(B(E),C)", Op::OneLevelUp, "E", "", true, "A(B,C,E)", "E", "A", 2},
        OpCase{"A(B(E),C)", Op::OneLevelUp, "B", "", false, "A(B(E),C)", "", "", 0},
        OpCase{"A(B(E),C)", Op::OneLevelUp, "A", "", false, "A(B(E),C)", "", "", 0},
        OpCase{"A(B(E(G)),C)", Op::Drop, "C", "G", true, "A(B(E(G(C))))", "C", "G", 0},
        OpCase{"A(B(E),C,D)", Op::Drop, "B", "A", true, "A(C,D,B(E))", "B", "A", 2},
        OpCase{"A(B(E),C,D)", Op::Drop, "D", "A", true, "A(B(E),C,D)", "D", "A", 2},
        OpCase{"A(B(E(G)),C)", Op::Drop, "B", "B", false, "A(B(E(G)),C)", "", "", 0},
        OpCase{"A(B(E(G)),C)", Op::Drop, "B", "G", false, "A(B(E(G)),C)", "", "", 0},
        OpCase{"A(B(E(G)),C)", Op::Drop, "B", "", false, "A(B(E(G)),C)", "", "", 0},
        OpCase{"A(B),F", Op::Drop, "F", "B", true, "A(B(F))", "F", "B", 0},
        OpCase{"A(B)", Op::Up, "", "", false, "A(B)", "", "", 0}));

} // namespace
