#include "app/PatchApplyPage.h"

#include <algorithm>
#include <ctime>
#include <span>
#include <vector>

#include <QComboBox>
#include <QCursor>
#include <QDateTime>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/PageWidgets.h"
#include "app/CoreText.h"
#include "app/GifQImage.h"
#include "app/ItemListModel.h"
#include "app/PatchListView.h"
#include "app/TForm1.h"
#include "charpatch/ItemLists.h"
#include "graphics/GifCodec.h"
#include "graphics/SpriteSheet.h"
#include "patchlist/ApplyPatchList.h"
#include "patchlist/PatchListFile.h"
#include "patchlist/PatchPreview.h"
#include "rom/FileType.h"

namespace varn::app {

namespace {

// The list's columns; the last holds the full path and is not shown.
enum Column { kNameColumn, kTypeColumn, kTargetColumn, kPathColumn, kColumnCount };
constexpr int kNameColumnWidth = 180;
constexpr int kTypeColumnWidth = 60;

const QString kListFileFilter = QStringLiteral("テキストファイル(*.txt)|*.txt");
const QString kListFileBaseName = QStringLiteral("パッチリスト");
const QString kNotAPatchFileMessage = QStringLiteral("パッチファイルではありません。\n");
const QString kApplyQuestion = QStringLiteral("この設定で適用してよろしいですか？");

// Text for a memo: its lines joined by "\n" whatever line break they came with.
QString MemoText(const std::string& text)
{
    QString value = FromUtf8(text);
    value.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return value;
}

QLineEdit* ReadOnlyField(const char* name)
{
    auto* field = new QLineEdit;
    field->setObjectName(QString::fromLatin1(name));
    field->setReadOnly(true);
    // Tab passes over what cannot be edited; a click still selects text to copy.
    field->setFocusPolicy(Qt::ClickFocus);
    return field;
}

QPushButton* Button(const char* name, const char* caption)
{
    auto* button = new QPushButton(QString::fromUtf8(caption));
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

// The local time of now, for the list file's first line.
std::tm LocalNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    std::tm time{};
    time.tm_year = now.date().year() - 1900;
    time.tm_mon = now.date().month() - 1;
    time.tm_mday = now.date().day();
    time.tm_hour = now.time().hour();
    time.tm_min = now.time().minute();
    time.tm_sec = now.time().second();
    time.tm_wday = now.date().dayOfWeek() % 7;
    time.tm_yday = now.date().dayOfYear() - 1;
    time.tm_isdst = -1;
    return time;
}

} // namespace

PatchApplyPage::PatchApplyPage(TForm1& window, QWidget* parent) : QWidget(parent), window_(window)
{
    targetItems_ = new ItemListModel(CharacterTargetItems(), this);

    ListView1 = new PatchListView;
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setColumnCount(kColumnCount);
    ListView1->setHeaderLabels({QStringLiteral("ファイル名"), QStringLiteral("タイプ"),
                                QStringLiteral("対象"), QString()});
    ListView1->setColumnWidth(kNameColumn, kNameColumnWidth);
    ListView1->setColumnWidth(kTypeColumn, kTypeColumnWidth);
    ListView1->setColumnHidden(kPathColumn, true);
    // The target column takes the rest of the row, so the list needs no sideways scrolling.
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionResizeMode(kTargetColumn, QHeaderView::Stretch);
    connect(ListView1, &PatchListView::listClicked, this, &PatchApplyPage::ShowEntryPreview);
    connect(ListView1, &PatchListView::keyReleased, this, &PatchApplyPage::ShowEntryPreview);
    connect(ListView1, &PatchListView::deletePressed, this, &PatchApplyPage::ListView1KeyDown);
    connect(ListView1, &PatchListView::entryDragged, this, &PatchApplyPage::ListView1DragDrop);

    Button5 = Button("Button5", "リスト保存");
    Button6 = Button("Button6", "リスト読み込み");
    Button4 = Button("Button4", "パッチ適用");
    connect(Button5, &QPushButton::clicked, this, &PatchApplyPage::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &PatchApplyPage::Button6Click);
    connect(Button4, &QPushButton::clicked, this, &PatchApplyPage::Button4Click);
    auto* commands = new QHBoxLayout;
    commands->setSpacing(6);
    commands->addWidget(Button5);
    commands->addWidget(Button6);
    commands->addStretch(1);
    commands->addWidget(Button4);

    auto* listColumn = new QVBoxLayout;
    listColumn->setSpacing(6);
    listColumn->addWidget(ListView1, 1);
    listColumn->addLayout(commands);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(6);
    layout->addLayout(listColumn, 1);
    layout->addWidget(buildPreview());

    ClearEntryPreview();
}

QWidget* PatchApplyPage::buildPreview()
{
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    auto* frame = new QFrame;
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(1);
    Image2 = new QLabel;
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setFixedSize(kSheetWidth, kSheetHeight);
    Image2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->addWidget(Image2);
    frame->setFixedSize(kSheetWidth + 2 * frame->frameWidth(),
                        kSheetHeight + 2 * frame->frameWidth());
    layout->addWidget(frame);

    Edit63 = ReadOnlyField("Edit63");
    Edit64 = ReadOnlyField("Edit64");
    ComboBox24 = new QComboBox;
    ComboBox24->setObjectName(QStringLiteral("ComboBox24"));
    ComboBox24->setModel(targetItems_);
    ComboBox24->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboBox24->setMinimumContentsLength(6);
    connect(ComboBox24, &QComboBox::activated, this, &PatchApplyPage::ComboBox24Change);
    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(6);
    fields->setVerticalSpacing(4);
    const auto caption = [](const char* text, QWidget* buddy) {
        auto* label = new QLabel(QString::fromUtf8(text));
        label->setBuddy(buddy);
        return label;
    };
    fields->addWidget(caption("名前", Edit63), 0, 0);
    fields->addWidget(Edit63, 0, 1);
    fields->addWidget(caption("肩書き", Edit64), 1, 0);
    fields->addWidget(Edit64, 1, 1);
    fields->addWidget(caption("対象", ComboBox24), 2, 0);
    fields->addWidget(ComboBox24, 2, 1);
    fields->setColumnStretch(1, 1);
    layout->addLayout(fields);

    Memo10 = new QPlainTextEdit;
    Memo10->setObjectName(QStringLiteral("Memo10"));
    Memo10->setReadOnly(true);
    Memo10->setTabChangesFocus(true);
    Memo10->setFocusPolicy(Qt::ClickFocus);
    layout->addWidget(caption("コメント", Memo10));
    layout->addWidget(Memo10, 1);

    Button7 = Button("Button7", "GIFで保存");
    connect(Button7, &QPushButton::clicked, this, &PatchApplyPage::Button7Click);
    layout->addWidget(Button7);

    column->setFixedWidth(frame->width());
    return column;
}

void PatchApplyPage::showList(int row)
{
    ListView1->clear();
    for (const PatchEntry& entry : list_.entries()) {
        QStringList texts(kColumnCount);
        texts[kNameColumn] = FromUtf8(entry.fileName());
        texts[kTypeColumn] = FromUtf8(entry.typeText());
        texts[kTargetColumn] = FromUtf8(entry.targetText());
        texts[kPathColumn] = ToQString(entry.path);
        new QTreeWidgetItem(ListView1, texts);
    }
    ListView1->selectRow(row);
}

std::optional<std::size_t> PatchApplyPage::selectedEntry() const
{
    const int row = ListView1->selectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= list_.size())
        return std::nullopt;
    return static_cast<std::size_t>(row);
}

void PatchApplyPage::DropFiles(const QStringList& paths)
{
    // The files go where the mouse let them go: before the entry under the cursor, in their
    // order.
    const int under = ListView1->rowAt(ListView1->viewport()->mapFromGlobal(QCursor::pos()));
    for (qsizetype i = 0; i < paths.size(); ++i) {
        std::optional<std::size_t> index;
        if (under >= 0)
            index = static_cast<std::size_t>(under) + static_cast<std::size_t>(i);
        if (!AddPatchFile(paths[i], index))
            break;
    }
}

bool PatchApplyPage::AddPatchFile(const QString& path, std::optional<std::size_t> index)
{
    const std::filesystem::path file = ToPath(path);
    const std::optional<FileType> type = DroppedFileType(DropTarget::PatchList, file);
    if (type == FileType::PatchList) {
        LoadListFile(path);
        return false;
    }
    const std::optional<PatchKind> kind = PatchKindOf(file);
    if (!type || !kind) {
        window_.dialogs().showError(kNotAPatchFileMessage + ToQString(file.filename()));
        return false;
    }
    const AddResult result = list_.add(*kind, file, -1, index);
    if (result != AddResult::Added) {
        window_.dialogs().showError(FromUtf8(AddResultMessage(result, file)));
        return false;
    }
    const std::size_t last = list_.size() - 1;
    showList(static_cast<int>(index ? std::min(*index, last) : last));
    ClearEntryPreview();
    return true;
}

void PatchApplyPage::LoadListFile(const QString& path)
{
    const Result<PatchListLoad> loaded = LoadPatchList(ToPath(path), list_);
    if (!loaded) {
        window_.dialogs().showError(FromUtf8(loaded.message()));
        return;
    }
    // Each entry is selected as it is added: the last one stays selected.
    showList(static_cast<int>(list_.size()) - 1);
    ClearEntryPreview();
    if (loaded.value().anyFailed())
        window_.dialogs().showError(QString::fromUtf8(kListLoadFailedMessage));
}

void PatchApplyPage::ListView1KeyDown()
{
    const std::optional<std::size_t> selected = selectedEntry();
    if (!selected)
        return;
    list_.remove(*selected);
    // The entry that took the deleted one's place, or the new last one.
    showList(list_.empty() ? -1 : static_cast<int>(std::min(*selected, list_.size() - 1)));
    ClearEntryPreview();
}

void PatchApplyPage::ListView1DragDrop(int row)
{
    const std::optional<std::size_t> selected = selectedEntry();
    if (!selected || row < 0 || static_cast<std::size_t>(row) >= list_.size())
        return;
    list_.move(*selected, static_cast<std::size_t>(row));
    showList(row);
    ClearEntryPreview();
}

void PatchApplyPage::removeEntry(std::size_t index)
{
    list_.remove(index);
    showList(-1);
    ClearEntryPreview();
}

void PatchApplyPage::ClearEntryPreview()
{
    Image2->clear();
    Edit63->clear();
    Edit64->clear();
    ComboBox24->setEnabled(false);
    Memo10->clear();
    Button7->setEnabled(false);
}

void PatchApplyPage::ShowEntryPreview()
{
    ClearEntryPreview();
    const std::optional<std::size_t> selected = selectedEntry();
    if (!selected)
        return;
    const PatchEntry entry = list_.entries()[*selected];
    switch (entry.kind) {
    case PatchKind::Ips:
        return;
    case PatchKind::Mml:
        Memo10->setPlainText(MemoText(PreviewMmlFile(entry.path)));
        return;
    case PatchKind::Bps:
        // The text the patch's author put in it, if any.
        Memo10->setPlainText(MemoText(PreviewBpsFile(entry.path)));
        return;
    case PatchKind::Vnp:
        break;
    }

    const VnpPreview preview = PreviewVnpFile(entry.path);
    if (preview.problem != VnpPreviewProblem::None) {
        Edit63->setText(FromUtf8(preview.name));
        window_.dialogs().showError(FromUtf8(preview.message()));
        if (preview.removesEntry())
            removeEntry(*selected);
        return;
    }
    Edit63->setText(FromUtf8(preview.name));
    Edit64->setText(FromUtf8(preview.title));
    Image2->setPixmap(QPixmap::fromImage(FrameToQImage(preview.sheet)));
    ComboBox24->setCurrentIndex(targetItems_->rowOfCode(static_cast<std::uint8_t>(entry.target)));
    ComboBox24->setEnabled(true);
    Memo10->setPlainText(MemoText(preview.comment));
    Button7->setEnabled(true);
}

void PatchApplyPage::ComboBox24Change(int index)
{
    const std::optional<std::size_t> selected = selectedEntry();
    if (!selected || list_.entries()[*selected].kind != PatchKind::Vnp)
        return;
    list_.changeTarget(*selected, targetItems_->code(index));
    showList(static_cast<int>(*selected));
}

void PatchApplyPage::Button4Click()
{
    DialogService& dialogs = window_.dialogs();
    const QString rom = window_.romPath();
    // The whole list is tried on a copy of the image first; the songs get their numbers in the
    // target column, also those numbered before a failure.
    const Status prepared = PrepareMusicEntries(list_, ToPath(rom), window_.musicConstants());
    showList(ListView1->selectedRow());
    if (!prepared) {
        dialogs.showError(FromUtf8(prepared.message()));
        return;
    }
    if (!dialogs.askConfirmation(kApplyQuestion))
        return;
    // The list reaches the image whole or not at all; the image as it was is kept beside it
    // when the settings ask for it.
    const ImageChangeOptions options = window_.imageChangeOptions(
        "パッチ適用 (" + std::to_string(list_.entries().size()) + "件)");
    const Status applied =
        ApplyPatchList(list_, ToPath(rom), window_.musicConstants(), {}, options);
    window_.imageChanged();
    if (!applied) {
        dialogs.showError(FromUtf8(applied.message()));
        return;
    }
    dialogs.showFinished();
}

void PatchApplyPage::Button5Click()
{
    DialogService& dialogs = window_.dialogs();
    const auto path = dialogs.chooseSaveFile(
        {kListFileFilter, 1, QStringLiteral(".txt"), DatedFileName(kListFileBaseName),
         FileKind::PatchList});
    if (!path)
        return;
    // The list file may replace neither the image nor a file the list names.
    std::vector<std::filesystem::path> listed;
    for (const PatchEntry& entry : list_.entries())
        listed.push_back(entry.path);
    if (!window_.acceptOutput(*path, listed))
        return;
    const Status saved = SavePatchList(ToPath(*path), list_.entries(), LocalNow());
    if (!saved)
        dialogs.showError(FromUtf8(saved.message()));
}

void PatchApplyPage::Button6Click()
{
    const auto path =
        window_.dialogs().chooseOpenFile({kListFileFilter, 1, {}, {}, FileKind::PatchList});
    if (path)
        LoadListFile(*path);
}

void PatchApplyPage::Button7Click()
{
    const std::optional<std::size_t> selected = selectedEntry();
    if (!selected || list_.entries()[*selected].kind != PatchKind::Vnp)
        return;
    const std::filesystem::path patch = list_.entries()[*selected].path;
    DialogService& dialogs = window_.dialogs();
    const auto path = dialogs.chooseSaveFile(
        {kGifFileFilter, 1, QStringLiteral(".gif"), DatedFileName(Edit63->text()),
         FileKind::SpriteSheet});
    if (!path || !window_.acceptOutput(*path, std::span(&patch, 1)))
        return;
    const Result<GifImage> sheet = VnpSheetForGif(patch, window_.settings().tmpTransparent);
    if (!sheet) {
        dialogs.showError(FromUtf8(sheet.message()));
        return;
    }
    const Status saved = SaveGifFile(sheet.value(), ToPath(*path));
    if (!saved)
        dialogs.showError(FromUtf8(saved.message()));
}

} // namespace varn::app
