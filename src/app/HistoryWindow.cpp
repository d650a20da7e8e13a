#include "app/HistoryWindow.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/CoreText.h"
#include "app/TForm1.h"

namespace varn::app {

namespace {

// The first row: the state before the oldest change the history keeps.
constexpr const char* kStateBeforeEntries = "（記録された変更より前の状態）";
constexpr const char* kNoImage = "ROMイメージが開かれていません。";
// Marks the row of the state the image is in now.
constexpr const char* kPresentMark = "▶ ";
constexpr const char* kAbsentMark = "　 ";

QString EntryText(const HistoryEntry& entry)
{
    const QString when =
        QDateTime::fromSecsSinceEpoch(entry.time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return when + QStringLiteral("　") + FromUtf8(entry.what);
}

} // namespace

HistoryWindow::HistoryWindow(TForm1& window) : QDialog(&window), window_(window)
{
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(QStringLiteral("履歴"));
    setModal(false);

    imageLabel_ = new QLabel(this);
    imageLabel_->setObjectName(QStringLiteral("HistoryImage"));
    imageLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("HistoryList"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setUniformItemSizes(true);

    auto* buttons = new QDialogButtonBox(this);
    restore_ = buttons->addButton(QStringLiteral("この状態に戻す"), QDialogButtonBox::ActionRole);
    restore_->setObjectName(QStringLiteral("HistoryRestore"));
    QPushButton* close = buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("HistoryClose"));
    connect(restore_, &QPushButton::clicked, this, &HistoryWindow::restoreChosen);
    connect(list_, &QListWidget::itemDoubleClicked, this, &HistoryWindow::restoreChosen);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        const auto& present = window_.document();
        restore_->setEnabled(present.isOpen() && row >= 0 &&
                             !list_->item(row)->data(Qt::UserRole + 1).toBool());
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(imageLabel_);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons);
    resize(440, 320);
    refresh();
}

void HistoryWindow::refresh()
{
    refresh(window_.document().history());
}

void HistoryWindow::refresh(const ImageHistory& history)
{
    const ImageDocument& document = window_.document();
    list_->clear();
    if (!document.isOpen()) {
        imageLabel_->setText(QString::fromUtf8(kNoImage));
        restore_->setEnabled(false);
        return;
    }
    imageLabel_->setText(QFileInfo(ToQString(document.path())).fileName());
    // The position stands for the present state only when the image is in the state the
    // history expects; otherwise no row is marked and every restore would be refused.
    const bool known =
        document.lastSeen() &&
        history.atState(document.lastSeen()->size, document.lastSeen()->checksum);
    const std::size_t present = history.position();
    const std::vector<HistoryEntry>& entries = history.entries();
    for (std::size_t row = 0; row <= entries.size(); ++row) {
        const QString text = row == 0 ? QString::fromUtf8(kStateBeforeEntries)
                                      : EntryText(entries[row - 1]);
        const bool isPresent = known && row == present;
        auto* item = new QListWidgetItem(
            QString::fromUtf8(isPresent ? kPresentMark : kAbsentMark) + text, list_);
        item->setData(Qt::UserRole + 1, isPresent);
        if (isPresent) {
            QFont font = item->font();
            font.setBold(true);
            item->setFont(font);
        } else if (row > present) {
            // Changes taken back: a redo applies them again.
            item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
        }
    }
    list_->setCurrentRow(static_cast<int>(present));
}

void HistoryWindow::restoreChosen()
{
    const int row = list_->currentRow();
    if (row < 0)
        return;
    window_.RestoreImageState(static_cast<std::size_t>(row));
}

} // namespace varn::app
