#include "app/TreeModel.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QIODevice>
#include <QMimeData>

#include <atomic>
#include <vector>

namespace korvel {

const QString TreeModel::NodeMimeType = QStringLiteral("application/x-korvel-node-path");

namespace {

// Each model gets its own identity, so a drag is only ever taken by the tree it
// started in (not by another window or another running program).
QByteArray makeIdentity()
{
    static std::atomic<quint64> counter{0};
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' + QByteArray::number(++counter);
}

} // namespace

TreeModel::TreeModel(TComponentTree& tree, QObject* parent)
    : QAbstractItemModel(parent), FTree(tree), FIdentity(makeIdentity())
{
    FTree.addObserver(this);
}

TreeModel::~TreeModel()
{
    FTree.removeObserver(this);
}

void TreeModel::setImages(QVector<QIcon> images)
{
    FImages = std::move(images);
    if (const int rows = rowCount(); rows > 0)
        emit dataChanged(index(0, 0), index(rows - 1, 0), {Qt::DecorationRole});
}

TTreeNode* TreeModel::nodeOf(const QModelIndex& index)
{
    return index.isValid() ? static_cast<TTreeNode*>(index.internalPointer()) : nullptr;
}

QModelIndex TreeModel::indexOf(const TTreeNode* node) const
{
    if (!node)
        return {};
    return createIndex(node->row(), 0, const_cast<TTreeNode*>(node));
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0)
        return {};
    TTreeNode* child = nullptr;
    if (TTreeNode* p = nodeOf(parent))
        child = p->child(row);
    else if (!parent.isValid())
        child = FTree.topLevel(row);
    return child ? createIndex(row, 0, child) : QModelIndex();
}

QModelIndex TreeModel::parent(const QModelIndex& child) const
{
    const TTreeNode* node = nodeOf(child);
    return node ? indexOf(node->parent()) : QModelIndex();
}

int TreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    if (const TTreeNode* p = nodeOf(parent))
        return p->childCount();
    return FTree.topLevelCount();
}

int TreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

bool TreeModel::hasChildren(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return false;
    if (const TTreeNode* p = nodeOf(parent))
        return p->hasChildren();
    return FTree.topLevelCount() > 0;
}

QVariant TreeModel::data(const QModelIndex& index, int role) const
{
    const TTreeNode* node = nodeOf(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return node->caption();
    case Qt::DecorationRole: {
        const int i = node->imageIndex();
        return i >= 0 && i < FImages.size() ? QVariant(FImages[i]) : QVariant();
    }
    default:
        return {};
    }
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

QStringList TreeModel::mimeTypes() const
{
    return {NodeMimeType};
}

QMimeData* TreeModel::mimeData(const QModelIndexList& indexes) const
{
    const TTreeNode* node = indexes.isEmpty() ? nullptr : nodeOf(indexes.first());
    if (!node)
        return nullptr;
    std::vector<qint32> rows;
    for (const TTreeNode* n = node; n; n = n->parent())
        rows.push_back(n->row());
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out << FIdentity << static_cast<quint32>(rows.size());
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        out << *it;
    auto* data = new QMimeData;
    data->setData(NodeMimeType, payload);
    return data;
}

TTreeNode* TreeModel::nodeFromMimeData(const QMimeData* data) const
{
    if (!data || !data->hasFormat(NodeMimeType))
        return nullptr;
    QDataStream in(data->data(NodeMimeType));
    QByteArray identity;
    quint32 count = 0;
    in >> identity >> count;
    if (in.status() != QDataStream::Ok || identity != FIdentity || count == 0)
        return nullptr;
    TTreeNode* node = nullptr;
    for (quint32 i = 0; i < count; ++i) {
        qint32 row = -1;
        in >> row;
        if (in.status() != QDataStream::Ok)
            return nullptr;
        node = node ? node->child(row) : FTree.topLevel(row);
        if (!node)
            return nullptr;
    }
    return node;
}

Qt::DropActions TreeModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

Qt::DropActions TreeModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

void TreeModel::beforeMove(TTreeNode*, TTreeNode* oldParent, int oldRow, TTreeNode* newParent, int newRow)
{
    // The tree reports the row after the move; Qt wants the row before it, which
    // is one further down when a node moves down within its own parent.
    const int destination = (oldParent == newParent && newRow > oldRow) ? newRow + 1 : newRow;
    FMoving = beginMoveRows(indexOf(oldParent), oldRow, oldRow, indexOf(newParent), destination);
    // The tree never reports a move Qt refuses (a no-op or one into the node's own
    // subtree); should it ever, the views are rebuilt from scratch instead.
    if (!FMoving)
        beginResetModel();
}

void TreeModel::afterMove(TTreeNode*, TTreeNode*, int, TTreeNode*, int)
{
    if (FMoving)
        endMoveRows();
    else
        endResetModel();
    FMoving = false;
}

void TreeModel::beforeReset()
{
    beginResetModel();
}

void TreeModel::afterReset()
{
    endResetModel();
}

} // namespace korvel
