// The item model over the component tree, checked by Qt's model tester while
// the tree moves nodes and is replaced.
#include "app/TreeModel.h"
#include "app/support/WindowFixture.h"

#include "document/OutlineParser.h"
#include "document/TextDecoding.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QPersistentModelIndex>

#include <random>

namespace korvel::test {
namespace {

std::vector<TTreeNode*> allNodes(const TComponentTree& tree)
{
    std::vector<TTreeNode*> nodes;
    for (int64_t i = 0; i < tree.count(); ++i)
        nodes.push_back(tree.GetNodeFromIndex(i));
    return nodes;
}

class TreeModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ParseOutline(DecodeLinesWithBom(NestedTextForm() + "object Second: TForm\r\nend\r\n"), FTree);
        FModel = std::make_unique<TreeModel>(FTree);
        FTester = std::make_unique<QAbstractItemModelTester>(
            FModel.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    // Every node's index leads back to it, and its parent index to its parent.
    void expectConsistent()
    {
        for (TTreeNode* n : allNodes(FTree)) {
            const QModelIndex i = FModel->indexOf(n);
            ASSERT_EQ(TreeModel::nodeOf(i), n);
            EXPECT_EQ(i.row(), n->row());
            EXPECT_EQ(TreeModel::nodeOf(i.parent()), n->parent());
            EXPECT_EQ(FModel->rowCount(i), n->childCount());
            EXPECT_EQ(i.data().toString(), n->caption());
        }
        EXPECT_EQ(FModel->rowCount(), FTree.topLevelCount());
    }

    TComponentTree FTree;
    std::unique_ptr<TreeModel> FModel;
    std::unique_ptr<QAbstractItemModelTester> FTester;
};

TEST_F(TreeModelTest, RowsFollowRandomMovesAndPersistentIndexesFollowTheirNodes)
{
    const std::vector<TTreeNode*> nodes = allNodes(FTree);
    std::vector<QPersistentModelIndex> persistent;
    for (TTreeNode* n : nodes)
        persistent.emplace_back(FModel->indexOf(n));
    std::mt19937 random(20261209);
    std::uniform_int_distribution<size_t> pick(0, nodes.size() - 1);
    int moves = 0;
    for (int step = 0; step < 400; ++step) {
        TTreeNode* node = nodes[pick(random)];
        TTreeNode* destination = nodes[pick(random)];
        const auto mode = static_cast<TNodeAttachMode>(step % 3);
        if (FTree.MoveTo(node, destination, mode))
            ++moves;
        for (size_t i = 0; i < nodes.size(); ++i) {
            ASSERT_EQ(TreeModel::nodeOf(persistent[i]), nodes[i]) << "step " << step;
            ASSERT_EQ(persistent[i].row(), nodes[i]->row()) << "step " << step;
        }
    }
    EXPECT_GT(moves, 100);
    expectConsistent();
}

TEST_F(TreeModelTest, MovingDownWithinTheSameParent)
{
    TTreeNode* panel1 = FTree.GetNodeFromIndex(1);
    ASSERT_EQ(panel1->caption(), QStringLiteral("Panel1"));
    QList<QVariant> moved;
    QObject::connect(FModel.get(), &QAbstractItemModel::rowsMoved, FModel.get(),
        [&](const QModelIndex&, int start, int end, const QModelIndex&, int row) {
            moved = {start, end, row};
        });
    // Panel1 after Memo1: the tree reports row 2, Qt wants the row before the move, 3.
    ASSERT_TRUE(FTree.MoveTo(panel1, panel1->parent(), naAddChild));
    EXPECT_EQ(moved, QList<QVariant>({0, 0, 3}));
    expectConsistent();
}

TEST_F(TreeModelTest, ReplacingTheTreeResetsTheModel)
{
    int resets = 0;
    QObject::connect(FModel.get(), &QAbstractItemModel::modelReset, FModel.get(), [&] { ++resets; });
    TComponentTree fresh;
    ParseOutline(DecodeLinesWithBom("object A: TA\r\n  object B: TB\r\n  end\r\nend\r\n"), fresh);
    FTree.replaceContents(std::move(fresh));
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(FModel->rowCount(), 1);
    expectConsistent();
    FTree.clear();
    EXPECT_EQ(resets, 2);
    EXPECT_EQ(FModel->rowCount(), 0);
}

TEST_F(TreeModelTest, ImagesByImageIndex)
{
    QIcon top(QStringLiteral(":/korvel/icons/node-form.svg"));
    QIcon other(QStringLiteral(":/korvel/icons/node-component.svg"));
    FModel->setImages({top, other});
    const QModelIndex form = FModel->index(0, 0);
    EXPECT_EQ(form.data(Qt::DecorationRole).value<QIcon>().cacheKey(), top.cacheKey());
    EXPECT_EQ(FModel->index(0, 0, form).data(Qt::DecorationRole).value<QIcon>().cacheKey(), other.cacheKey());
}

TEST_F(TreeModelTest, DraggedNodesTravelAsPathsOfThisModelOnly)
{
    for (TTreeNode* n : allNodes(FTree)) {
        std::unique_ptr<QMimeData> mime(FModel->mimeData({FModel->indexOf(n)}));
        ASSERT_TRUE(mime);
        EXPECT_EQ(FModel->nodeFromMimeData(mime.get()), n);
    }
    TComponentTree otherTree;
    ParseOutline(DecodeLinesWithBom(NestedTextForm()), otherTree);
    TreeModel other(otherTree);
    std::unique_ptr<QMimeData> foreign(other.mimeData({other.index(0, 0)}));
    EXPECT_EQ(FModel->nodeFromMimeData(foreign.get()), nullptr);

    // Payloads that are cut short, point nowhere, or are not ours at all.
    std::unique_ptr<QMimeData> own(FModel->mimeData({FModel->index(0, 0, FModel->index(0, 0))}));
    const QByteArray payload = own->data(TreeModel::NodeMimeType);
    const QByteArray bad[] = {payload.left(payload.size() - 1), payload.left(4), QByteArray(),
        payload.left(payload.size() - 4) + QByteArray("\x00\x00\x00\x63", 4),
        payload.left(payload.size() - 4) + QByteArray("\xFF\xFF\xFF\xFF", 4)};
    for (const QByteArray& b : bad) {
        QMimeData mime;
        mime.setData(TreeModel::NodeMimeType, b);
        EXPECT_EQ(FModel->nodeFromMimeData(&mime), nullptr) << b.toHex().toStdString();
    }
    QMimeData text;
    text.setText(QStringLiteral("Panel1"));
    EXPECT_EQ(FModel->nodeFromMimeData(&text), nullptr);
    EXPECT_EQ(FModel->nodeFromMimeData(nullptr), nullptr);
}

} // namespace
} // namespace korvel::test
