#pragma once

#include <cstdint>
#include <optional>

#include <QWidget>

#include "rom/RomIdentification.h"
#include "spark/SparkTable.h"

class QPushButton;
class QTableWidget;

namespace varn::app {

class TForm1;

// The grid's geometry in pixels: the designed widths of the name column and of a mark column
// (a column is widened when its heading needs more) and the height of a row.
inline constexpr int kSparkColumnWidth = 21;
inline constexpr int kSparkNameColumnWidth = 140;
inline constexpr int kSparkRowHeight = 18;

// StringGrid1DblClick acts only right of the name column and below the header row, by the
// mouse position in the grid's client coordinates (the header is 18 pixels and a grid line).
constexpr bool IsSparkMarkArea(int x, int y)
{
    return x > kSparkNameColumnWidth && y >= kSparkRowHeight + 1;
}

// The page "閃き適正": every technique's spark-type mask as a grid of marks, one row per
// technique and one column per spark type. Marks are flipped in the grid only; "書き込み"
// writes the masks back. The table read from the image lives in a SparkTable and the grid
// mirrors it.
class SparkPage : public QWidget {
    Q_OBJECT

public:
    explicit SparkPage(TForm1& window, QWidget* parent = nullptr);

    QTableWidget* grid() const { return StringGrid1; }
    const SparkTable& sparkTable() const { return table_; }
    // Whether marks were flipped since the table was read or written.
    bool edited() const { return edited_; }

public slots:
    // Opening an image begins: the grid keeps its header and one empty row, and holds no
    // table until one is loaded.
    void ClearSparkTable();
    // Fills the grid from the open image when it is the expected game and revision.
    void LoadSparkTable(const varn::RomIdentification& image);
    // The open image changed: the grid shows it as it is now, at the cell that was current.
    // Marks flipped and not yet written are kept when the user chooses so at the question.
    void ReloadSparkTable(const varn::RomIdentification& image);
    // Enter in the grid and a double click on a mark: flip the mark of the current cell.
    void StringGrid1KeyPress(int key);
    void StringGrid1DblClick(const QPoint& position);
    // "書き込み": writes the masks back to the image.
    void Button20Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows the table's rows in the grid (one empty row when it has none).
    void showTable();
    void showRow(int gridRow);
    // Flips the mark of the grid's current cell, as both handlers do.
    void flipCurrentMark();
    void setEdited(bool edited);

    TForm1& window_;
    SparkTable table_;
    bool edited_ = false;
    // The checksum of the image the table was read from: a write of the table is refused
    // when the image is no longer that one, so that the grid's old copy of the masks never
    // replaces a change it did not show.
    std::optional<std::uint64_t> shownChecksum_;

    QTableWidget* StringGrid1 = nullptr;
    QPushButton* Button20 = nullptr;
};

} // namespace varn::app
