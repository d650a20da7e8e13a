#include "app/SparkPage.h"

#include <algorithm>

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/CoreText.h"
#include "app/TForm1.h"

namespace varn::app {

namespace {

constexpr const char* kSparkWriteButton = "書き込み"; // Button20

// The change's name in the image's history, and the question before marks not written are
// given up for the image as it is now.
constexpr const char* kSparkChangeName = "閃き適正";
constexpr const char* kSparkReloadQuestion =
    "ROMイメージが変更されました。閃き適正の書き込んでいない変更を破棄して読み込み直しますか？";

} // namespace

namespace {

// A cell of the grid, which cannot be typed into. The name column looks like the heading row,
// as fixed cells do, and takes no selection.
QTableWidgetItem* MakeCell(const QString& text, int column)
{
    auto* item = new QTableWidgetItem(text);
    if (column == 0) {
        item->setFlags(Qt::ItemIsEnabled);
        // A long name is cut at the column's edge; the whole label shows as a tip.
        item->setToolTip(text);
    } else {
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setTextAlignment(Qt::AlignCenter);
    }
    return item;
}

} // namespace

SparkPage::SparkPage(TForm1& window, QWidget* parent) : QWidget(parent), window_(window)
{
    StringGrid1 = new QTableWidget(1, kSparkGridColumns, this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    StringGrid1->setTabKeyNavigation(false);
    StringGrid1->setWordWrap(false);
    StringGrid1->setCornerButtonEnabled(false);
    // Row 0 of the grid is its heading row, which stays in view as the rows scroll.
    QStringList headings;
    for (const std::string& heading : SparkGridHeader())
        headings << QString::fromStdString(heading);
    StringGrid1->setHorizontalHeaderLabels(headings);
    QHeaderView* top = StringGrid1->horizontalHeader();
    top->setSectionResizeMode(QHeaderView::Fixed);
    top->setHighlightSections(false);
    top->setSectionsClickable(false);
    top->setMinimumSectionSize(1);
    // Narrow columns: the headings need their whole width.
    top->setStyleSheet(QStringLiteral("QHeaderView::section { padding: 0px 1px; }"));
    top->setDefaultAlignment(Qt::AlignCenter);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->verticalHeader()->setMinimumSectionSize(1);
    StringGrid1->verticalHeader()->setDefaultSectionSize(
        std::max(kSparkRowHeight, StringGrid1->fontMetrics().height() + 2));
    // The name column and the marks, each at least as wide as its heading.
    int width = 0;
    for (int column = 0; column < kSparkGridColumns; ++column) {
        const int designed = column == 0 ? kSparkNameColumnWidth : kSparkColumnWidth;
        const int heading = top->fontMetrics().horizontalAdvance(headings[column]) + 4;
        StringGrid1->setColumnWidth(column, std::max(designed, heading));
        width += StringGrid1->columnWidth(column);
    }
    // Every column stays in view, so the name column never scrolls away: the grid is as wide
    // as its columns and only its rows scroll.
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    const int frame = 2 * StringGrid1->frameWidth();
    StringGrid1->setMinimumWidth(width + frame +
                                 StringGrid1->verticalScrollBar()->sizeHint().width());
    StringGrid1->setMinimumHeight(top->sizeHint().height() + 4 * kSparkRowHeight + frame);
    StringGrid1->installEventFilter(this);
    StringGrid1->viewport()->installEventFilter(this);

    Button20 = new QPushButton(QString::fromUtf8(kSparkWriteButton), this);
    Button20->setObjectName(QStringLiteral("Button20"));
    connect(Button20, &QPushButton::clicked, this, &SparkPage::Button20Click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button20);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(StringGrid1, 1);
    layout->addLayout(buttons);

    connect(&window_, &TForm1::romImageClosing, this, &SparkPage::ClearSparkTable);
    connect(&window_, &TForm1::romImageOpened, this, &SparkPage::LoadSparkTable);
    connect(&window_, &TForm1::romImageChanged, this, &SparkPage::ReloadSparkTable);
    showTable();
}

void SparkPage::ClearSparkTable()
{
    table_ = SparkTable{};
    shownChecksum_.reset();
    setEdited(false);
    showTable();
}

void SparkPage::ReloadSparkTable(const varn::RomIdentification& image)
{
    if (edited_ && !window_.dialogs().askConfirmation(QString::fromUtf8(kSparkReloadQuestion)))
        return;
    const int row = StringGrid1->currentRow();
    const int column = StringGrid1->currentColumn();
    const int scrolled = StringGrid1->verticalScrollBar()->value();
    if (!image.loadsEditorPages) {
        ClearSparkTable();
        return;
    }
    LoadSparkTable(image);
    if (row >= 0 && row < StringGrid1->rowCount() && column >= 0)
        StringGrid1->setCurrentCell(row, column);
    StringGrid1->verticalScrollBar()->setValue(scrolled);
}

void SparkPage::setEdited(bool edited)
{
    edited_ = edited;
    window_.markPageEdited(this, edited);
}

void SparkPage::LoadSparkTable(const varn::RomIdentification& image)
{
    if (!image.loadsEditorPages)
        return;
    // An image that cannot be read leaves the grid as it was.
    Result<SparkTable> table = varn::LoadSparkTable(ToPath(window_.romPath()));
    if (!table)
        return;
    table_ = std::move(table).value();
    shownChecksum_.reset();
    if (const auto& seen = window_.document().lastSeen())
        shownChecksum_ = seen->checksum;
    setEdited(false);
    showTable();
}

void SparkPage::showTable()
{
    StringGrid1->clearContents();
    const int rows = std::max<int>(1, static_cast<int>(table_.rows.size()));
    StringGrid1->setRowCount(rows);
    if (table_.rows.empty()) {
        for (int column = 0; column < kSparkGridColumns; ++column)
            StringGrid1->setItem(0, column, MakeCell({}, column));
    }
    for (int gridRow = 1; gridRow <= static_cast<int>(table_.rows.size()); ++gridRow)
        showRow(gridRow);
    StringGrid1->setCurrentCell(0, 1);
    StringGrid1->scrollToTop();
}

void SparkPage::showRow(int gridRow)
{
    const std::vector<std::string> cells =
        SparkGridCells(table_.rows[static_cast<std::size_t>(gridRow - 1)]);
    for (int column = 0; column < kSparkGridColumns; ++column) {
        const QString text = QString::fromStdString(cells[static_cast<std::size_t>(column)]);
        if (QTableWidgetItem* item = StringGrid1->item(gridRow - 1, column); item && column > 0)
            item->setText(text);
        else
            StringGrid1->setItem(gridRow - 1, column, MakeCell(text, column));
    }
}

void SparkPage::flipCurrentMark()
{
    const int gridRow = StringGrid1->currentRow() + 1;
    const int column = StringGrid1->currentColumn();
    if (gridRow < 1 || column < 0)
        return;
    const bool imageOpen = !window_.romPath().isEmpty();
    const std::vector<int> changed = FlipSparkMark(table_, imageOpen, gridRow, column);
    for (int row : changed)
        showRow(row);
    if (!changed.empty())
        setEdited(true);
}

void SparkPage::StringGrid1KeyPress(int key)
{
    if (IsSparkFlipKey(key))
        flipCurrentMark();
}

void SparkPage::StringGrid1DblClick(const QPoint& position)
{
    // Only a double click on a mark flips it: not on the name column, and the heading row is
    // not part of the rows' area.
    const QModelIndex under = StringGrid1->indexAt(position);
    if (!under.isValid() || under.column() == 0)
        return;
    flipCurrentMark();
}

bool SparkPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == StringGrid1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            StringGrid1KeyPress('\r');
            return true;
        }
    } else if (watched == StringGrid1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            StringGrid1DblClick(mouse->position().toPoint());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SparkPage::Button20Click()
{
    DialogService& dialogs = window_.dialogs();
    ImageChangeOptions options = window_.imageChangeOptions(kSparkChangeName);
    options.expectedChecksum = shownChecksum_;
    const Status written = WriteSparkTable(ToPath(window_.romPath()), table_, options);
    if (written)
        setEdited(false);
    // The grid shows the image as it is now: what was written, or another program's change
    // that made the write refused.
    window_.imageChanged();
    if (!written) {
        dialogs.showError(QString::fromStdString(written.message()));
        // The grid shows an image that is no longer there: it is read again, the user
        // deciding about the marks not written.
        if (written.message() == kImageChangedSinceShownMessage)
            ReloadSparkTable(window_.document().identification());
        return;
    }
    dialogs.showFinished();
}

} // namespace varn::app
