#include "app/ComponentTreeView.h"

#include "app/TreeModel.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>

namespace korvel {

TComponentTreeView::TComponentTreeView(QWidget* parent) : QTreeView(parent)
{
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
    setDefaultDropAction(Qt::MoveAction);
}

void TComponentTreeView::setDragHandlers(TDragOverHandler over, TDragDropHandler drop)
{
    FDragOver = std::move(over);
    FDragDrop = std::move(drop);
}

void TComponentTreeView::startDrag(Qt::DropActions)
{
    const QModelIndex index = currentIndex();
    if (!index.isValid() || !model())
        return;
    QMimeData* mime = model()->mimeData({index});
    if (!mime)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    // The drop handler has already moved the node; whatever the drag reports,
    // the view must not remove the dragged row itself.
    drag->exec(Qt::MoveAction, Qt::MoveAction);
    setDropTarget({});
}

void TComponentTreeView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!event->mimeData()->hasFormat(TreeModel::NodeMimeType)) {
        event->ignore(); // files and text go on to the window
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    setState(DraggingState);
}

void TComponentTreeView::dragMoveEvent(QDragMoveEvent* event)
{
    QTreeView::dragMoveEvent(event); // keeps auto-scrolling and auto-expanding alive
    const QModelIndex target = indexAt(event->position().toPoint());
    const bool accepted = FDragOver && FDragOver(event->mimeData(), target);
    setDropTarget(accepted ? target : QModelIndex());
    if (accepted) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore(); // the pointer shows the no-drop cursor
    }
}

void TComponentTreeView::dragLeaveEvent(QDragLeaveEvent* event)
{
    QTreeView::dragLeaveEvent(event);
    setDropTarget({});
}

void TComponentTreeView::dropEvent(QDropEvent* event)
{
    stopAutoScroll();
    setState(NoState);
    setDropTarget({});
    const QModelIndex target = indexAt(event->position().toPoint());
    if (!FDragOver || !FDragOver(event->mimeData(), target)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    if (FDragDrop)
        FDragDrop(event->mimeData(), target);
}

void TComponentTreeView::setDropTarget(const QModelIndex& index)
{
    if (QPersistentModelIndex(index) == FDropTarget)
        return;
    FDropTarget = index;
    viewport()->update();
}

void TComponentTreeView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (FDropTarget.isValid() && index == FDropTarget) {
        QColor c = palette().color(QPalette::Highlight);
        c.setAlpha(110);
        painter->fillRect(option.rect, c);
    }
    QTreeView::drawRow(painter, option, index);
}

} // namespace korvel
