// The component tree's view (tvMain): a QTreeView that drags a node inside the
// tree and asks the window whether a node may be dropped where the pointer is.
#pragma once

#include <QPersistentModelIndex>
#include <QTreeView>

#include <functional>

class QMimeData;

namespace korvel {

class TComponentTreeView : public QTreeView {
    Q_OBJECT
public:
    // Answers whether the dragged data may be dropped on target (invalid: empty area).
    using TDragOverHandler = std::function<bool(const QMimeData* data, const QModelIndex& target)>;
    // Carries out a drop that the drag-over handler accepted.
    using TDragDropHandler = std::function<void(const QMimeData* data, const QModelIndex& target)>;

    explicit TComponentTreeView(QWidget* parent = nullptr);

    void setDragHandlers(TDragOverHandler over, TDragDropHandler drop);
    // Defers the layout of the rows to the next event (or the next paint or
    // scroll), so that many expand and collapse calls cost one relayout.
    void scheduleRelayout() { scheduleDelayedItemsLayout(); }

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void setDropTarget(const QModelIndex& index);

    TDragOverHandler FDragOver;
    TDragDropHandler FDragDrop;
    QPersistentModelIndex FDropTarget;
};

} // namespace korvel
