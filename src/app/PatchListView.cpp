#include "app/PatchListView.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace varn::app {

namespace {

// Draws each cell as usual and then its right and bottom edges, so that the rows and
// columns stand in a grid.
class GridLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Midlight));
        const QRect& cell = option.rect;
        painter->drawLine(cell.topRight(), cell.bottomRight());
        painter->drawLine(cell.bottomLeft(), cell.bottomRight());
        painter->restore();
    }
};

} // namespace

PatchListView::PatchListView(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setItemDelegate(new GridLineDelegate(this));
    header()->setSectionsMovable(false);
}

bool PatchListView::event(QEvent* event)
{
    const bool handled = QTreeWidget::event(event);
    // An item view lets its rows' area take drops whenever it takes them itself; here the list
    // takes them.
    if (event->type() == QEvent::AcceptDropsChange)
        viewport()->setAcceptDrops(false);
    return handled;
}

int PatchListView::rowAt(const QPoint& point) const
{
    if (!viewport()->rect().contains(point))
        return -1;
    QTreeWidgetItem* item = itemAt(point);
    return item ? indexOfTopLevelItem(item) : -1;
}

int PatchListView::selectedRow() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.first());
}

void PatchListView::selectRow(int row)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr) {
        clearSelection();
        setCurrentItem(nullptr);
        return;
    }
    setCurrentItem(item);
    item->setSelected(true);
    scrollToItem(item);
}

bool PatchListView::acceptsDragAt(const QPoint& point) const
{
    if (!viewport()->rect().contains(point))
        return false;
    const int row = rowAt(point);
    return row < 0 || row != selectedRow();
}

void PatchListView::mousePressEvent(QMouseEvent* event)
{
    QTreeWidget::mousePressEvent(event);
    endDrag();
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::LeftButton && rowAt(point) >= 0 && rowAt(point) == selectedRow())
        pressPoint_ = point;
}

void PatchListView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (pressPoint_ && (event->buttons() & Qt::LeftButton)) {
        if (!dragging_ &&
            (point - *pressPoint_).manhattanLength() >= QApplication::startDragDistance())
            dragging_ = true;
        if (dragging_) {
            viewport()->setCursor(acceptsDragAt(point) ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
            event->accept();
            return;
        }
    }
    QTreeWidget::mouseMoveEvent(event);
}

void PatchListView::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (dragging_ && event->button() == Qt::LeftButton) {
        endDrag();
        event->accept();
        if (acceptsDragAt(point)) {
            const int row = rowAt(point);
            emit entryDragged(row >= 0 ? row : topLevelItemCount() - 1);
        }
        return;
    }
    pressPoint_.reset();
    QTreeWidget::mouseReleaseEvent(event);
    emit listClicked();
}

void PatchListView::endDrag()
{
    if (dragging_)
        viewport()->unsetCursor();
    dragging_ = false;
    pressPoint_.reset();
}

void PatchListView::keyPressEvent(QKeyEvent* event)
{
    if (dragging_ && event->key() == Qt::Key_Escape) {
        endDrag();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Delete) {
        event->accept();
        emit deletePressed();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void PatchListView::keyReleaseEvent(QKeyEvent* event)
{
    QTreeWidget::keyReleaseEvent(event);
    emit keyReleased();
}

} // namespace varn::app
