// TreeModel: the Qt item model over the document's component tree. It holds no
// document logic: it maps indexes to nodes and back, and turns the tree's move
// and reset notifications into the model's move and reset signals.
#pragma once

#include "document/ComponentTree.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <QVector>

namespace korvel {

class TreeModel : public QAbstractItemModel, private TTreeObserver {
    Q_OBJECT
public:
    // The MIME type of a dragged node: the model's identity and the node's path of rows.
    static const QString NodeMimeType;

    explicit TreeModel(TComponentTree& tree, QObject* parent = nullptr);
    ~TreeModel() override;

    // The images by a node's image index (index 0: top-level node, 1: any other node).
    void setImages(QVector<QIcon> images);

    // The node behind an index; nullptr for the invisible root.
    static TTreeNode* nodeOf(const QModelIndex& index);
    // The index of a node; the invalid index for nullptr.
    QModelIndex indexOf(const TTreeNode* node) const;

    // The node a drag of this model carries; nullptr when the data does not come
    // from this model (another tree, another program, or no node at all).
    TTreeNode* nodeFromMimeData(const QMimeData* data) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;

private:
    void beforeMove(TTreeNode* node, TTreeNode* oldParent, int oldRow, TTreeNode* newParent, int newRow) override;
    void afterMove(TTreeNode* node, TTreeNode* oldParent, int oldRow, TTreeNode* newParent, int newRow) override;
    void beforeReset() override;
    void afterReset() override;

    TComponentTree& FTree;
    QVector<QIcon> FImages;
    QByteArray FIdentity;
    bool FMoving = false;
};

} // namespace korvel
