#pragma once

#include <optional>

#include <QPoint>
#include <QTreeWidget>

namespace varn::app {

// The report-style list of the page "パッチ適用": one row per entry, whole-row selection of
// one entry, grid lines, nothing editable. It reports what the user does in it and leaves the
// list itself to its page: a click, a key released, the Delete key, and an entry dragged to
// another place in the list.
//
// Dragging an entry within the list is the list's own gesture, not a drag and drop of data.
// Files dropped from the desktop are for the list itself, where the main window watches for
// them: the rows' area never takes a drop of its own, so a drop anywhere on the list reaches
// the list.
class PatchListView : public QTreeWidget {
    Q_OBJECT

public:
    explicit PatchListView(QWidget* parent = nullptr);

    // The row of the entry under a point of the viewport, or -1 when there is none.
    int rowAt(const QPoint& point) const;
    // The row of the selected entry, or -1.
    int selectedRow() const;
    // Selects the entry of `row`, or nothing for -1.
    void selectRow(int row);

signals:
    // A click anywhere in the list, after the selection has followed it.
    void listClicked();
    // A key released while the list has the focus.
    void keyReleased();
    // The Delete key pressed while the list has the focus.
    void deletePressed();
    // The selected entry dragged and let go over a point that accepts it: it is to move to
    // `row` (the entry under the point, or the last when the point is below the entries).
    void entryDragged(int row);

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    // Where the selected entry may be let go: anywhere in the list but over itself.
    bool acceptsDragAt(const QPoint& point) const;
    void endDrag();

    std::optional<QPoint> pressPoint_; // where the left button went down on the selected entry
    bool dragging_ = false;
};

} // namespace varn::app
