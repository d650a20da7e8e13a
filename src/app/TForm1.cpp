#include "app/TForm1.h"

#include <vector>

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGridLayout>
#include <QKeySequence>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/PageWidgets.h"
#include "app/CharaGraphicPage.h"
#include "app/CharaPatchPage.h"
#include "app/EnemyPage.h"
#include "app/CoreText.h"
#include "app/FileDropFilter.h"
#include "app/HistoryWindow.h"
#include "app/MmlPage.h"
#include "app/PatchApplyPage.h"
#include "app/PatchListView.h"
#include "app/QtDialogService.h"
#include "app/RememberingDialogService.h"
#include "app/SkillGraphicPage.h"
#include "app/SparkPage.h"
#include "app/UiState.h"
#include "app/VarnApplication.h"
#include "graphics/SpriteSheet.h"
#include "rom/FileIo.h"
#include "rom/ImageHistory.h"
#include "rom/RomIdentification.h"
#include "text/ExtensionTable.h"

namespace varn::app {

namespace {

// The window's title; with an image open, its file name and " - " come first.
constexpr const char* kWindowTitle = "Varnwork";

constexpr int kClientWidth = 544;
constexpr int kClientHeight = 567;
// A 1920 × 1080 screen at display scale 2 leaves about 960 × 500 for a window beside the
// task bar and the title bar; below this the pages scroll.
constexpr int kSmallestWidth = 480;
constexpr int kSmallestHeight = 400;
// The margins of the window's layout and the room between its rows.
constexpr int kLayoutMargin = 6;
constexpr int kLayoutSpacing = 6;

// The pages of the main window in their order: object name and caption.
struct PageInfo {
    const char* objectName;
    const char* caption;
};
constexpr PageInfo kMainPages[kMainPageCount] = {
    {"PatchApplyPage", "パッチ適用"},
    {"CharaPatchPage", "キャラパッチ"},
    {"CharaGraphicPage", "キャラグラフィック"},
    {"TabSheet14", "敵変更"},
    {"MmlPage", "MML"},
    {"SkillGraphicPage", "技術グラフィック"},
    {"TabSheet20", "閃き適正"},
};
constexpr int kPatchApplyPageIndex = 0;
constexpr int kCharaPatchPageIndex = 1;
constexpr int kCharaGraphicPageIndex = 2;
constexpr int kEnemyPageIndex = 3;
constexpr int kMmlPageIndex = 4;
constexpr int kSkillGraphicPageIndex = 5;
constexpr int kSparkPageIndex = 6;


// Holds a page in its scroll area at the area's size, or at the page's minimum size where the
// area is smaller. It has no layout of its own on purpose: a scroll area asks a layout with
// wrapping captions for its preferred height at the width given and would scroll a page that
// fits.
class PageHolder : public QWidget {
public:
    explicit PageHolder(QWidget* page) : page_(page) { page->setParent(this); }

    QSize sizeHint() const override { return page_->sizeHint(); }
    QSize minimumSizeHint() const override { return page_->minimumSizeHint(); }

protected:
    void resizeEvent(QResizeEvent*) override { page_->setGeometry(rect()); }

private:
    QWidget* page_;
};

// A page in a scroll area: at the window's designed size or larger the page fills it, smaller
// it scrolls, so that every control stays reachable.
QScrollArea* Scrollable(QWidget* page, QWidget* parent)
{
    auto* area = new QScrollArea(parent);
    area->setObjectName(page->objectName() + QStringLiteral("Scroll"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(new PageHolder(page));
    return area;
}

} // namespace

std::filesystem::path ToPath(const QString& path)
{
    return std::filesystem::path(path.toStdU16String());
}

QString ToQString(const std::filesystem::path& path)
{
    return QString::fromStdU16String(path.u16string());
}

QSize TForm1::designedSize()
{
    // The designed client size holds the header strip and the pages; the menu bar above them
    // and the status bar below come on top of it, at the heights the style gives them.
    static const int bars = [] {
        QMenuBar menu;
        menu.addMenu(QStringLiteral("編集(&E)"));
        QStatusBar status;
        status.setSizeGripEnabled(false);
        return menu.sizeHint().height() + status.sizeHint().height() + kLayoutSpacing;
    }();
    return {kClientWidth, kClientHeight + bars};
}

QSize TForm1::smallestSize()
{
    return {kSmallestWidth, kSmallestHeight};
}

TForm1::TForm1(const std::filesystem::path& settingsPath, const QString& statePath,
               std::unique_ptr<DialogService> dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(std::make_unique<UiState>(statePath)),
      document_(HistoryFolder())
{
    if (!dialogs)
        dialogs = std::make_unique<QtDialogService>(this);
    dialogs_ = std::make_unique<RememberingDialogService>(std::move(dialogs), *state_);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(kWindowTitle));
    setMinimumSize(smallestSize());
    // The designed size, as far as the screen has room for it.
    QSize size = designedSize();
    if (const QScreen* screen = this->screen())
        size = size.boundedTo(screen->availableSize() - QSize(0, 40)).expandedTo(smallestSize());
    resize(size);

    buildHeaderStrip();
    buildPages();
    buildMenus();
    buildPageKeys();

    // Settings are read once; the extension characters are loaded afresh into the process's
    // table, so a second main window (as in tests) does not add its rows twice.
    ExtensionTable& extensions = ProcessExtensionTable();
    extensions = ExtensionTable{};
    settings_ = LoadSettings(settingsPath, extensions);
    musicConstants_ = MusicConstants{};

    PageControl1->setCurrentIndex(settings_.startupPage >= 0 ? settings_.startupPage : 0);
    installDropTargets();

    auto* open = new QShortcut(QKeySequence::Open, this);
    connect(open, &QShortcut::activated, this, &TForm1::Button3Click);

    // The image is replaced by a rename, which ends a watch on the file itself: its folder is
    // watched too, and a notice from either is checked against what was last seen.
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &TForm1::imageFileNoticed);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &TForm1::imageFileNoticed);

    // The character editor's totals follow its default values from the start.
    charaPatchPage_->ShowTotals();

    if (VarnApplication* application = VarnApplication::instance())
        application->setExceptionHandler(
            this, [this](const QString& message) { dialogs_->showError(message); });
}

TForm1::~TForm1()
{
    if (VarnApplication* application = VarnApplication::instance())
        application->releaseExceptionHandler(this);
}

namespace {

constexpr const char* kUndoCaption = "元に戻す";
constexpr const char* kRedoCaption = "やり直す";
constexpr const char* kChangedElsewhereStatus =
    "ROMイメージが他のプログラムで変更されたため、読み込み直しました。";

// "元に戻す「敵変更 【0005】」": the menu item with the change it would make.
QString NamedStep(const char* caption, const std::optional<HistoryEntry>& entry)
{
    QString text = QString::fromUtf8(caption);
    if (entry)
        text += QStringLiteral("「") + FromUtf8(entry->what) + QStringLiteral("」");
    return text + QStringLiteral("(&") +
           QChar(caption == kUndoCaption ? u'U' : u'R') + QStringLiteral(")");
}

} // namespace

void TForm1::buildMenus()
{
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName(QStringLiteral("MainMenu"));
    QMenu* edit = menuBar_->addMenu(QStringLiteral("編集(&E)"));
    edit->setObjectName(QStringLiteral("EditMenu"));

    undoAction_ = edit->addAction(NamedStep(kUndoCaption, std::nullopt));
    undoAction_->setObjectName(QStringLiteral("UndoAction"));
    undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(undoAction_, &QAction::triggered, this, &TForm1::UndoImageChange);

    redoAction_ = edit->addAction(NamedStep(kRedoCaption, std::nullopt));
    redoAction_->setObjectName(QStringLiteral("RedoAction"));
    redoAction_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(redoAction_, &QAction::triggered, this, &TForm1::RedoImageChange);

    edit->addSeparator();
    historyAction_ = edit->addAction(QStringLiteral("履歴(&H)..."));
    historyAction_->setObjectName(QStringLiteral("HistoryAction"));
    connect(historyAction_, &QAction::triggered, this, &TForm1::ShowHistory);

    // The keys work wherever the focus is in the window, also while the menu bar is hidden
    // by a platform that shows menus elsewhere. A text field takes Ctrl+Z for its own text
    // first, as it does everywhere.
    addAction(undoAction_);
    addAction(redoAction_);
    static_cast<QVBoxLayout*>(layout())->setMenuBar(menuBar_);
    showHistoryState();
}

void TForm1::buildPageKeys()
{
    // Ctrl+Tab and Ctrl+PageDown turn to the next page, Ctrl+Shift+Tab and Ctrl+PageUp to the
    // previous one, wherever the focus is in the window: as window shortcuts they come before
    // the focused control, so a selection list no longer takes Ctrl+PageDown for its value.
    const auto addPageKey = [this](const QList<QKeySequence>& keys, int step) {
        auto* action = new QAction(this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, step] { turnPage(step); });
        addAction(action);
    };
    addPageKey({QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)},
               1);
    addPageKey({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
               -1);
}

void TForm1::turnPage(int step)
{
    QTabWidget* tabs = PageControl1;
    for (QWidget* widget = QApplication::focusWidget(); widget && widget != this;
         widget = widget->parentWidget()) {
        if (auto* inner = qobject_cast<QTabWidget*>(widget)) {
            tabs = inner;
            break;
        }
    }
    const int count = tabs->count();
    int index = tabs->currentIndex();
    for (int tried = 0; tried < count; ++tried) {
        index = (index + step + count) % count;
        if (tabs->isTabEnabled(index)) {
            tabs->setCurrentIndex(index);
            // The focus stays with these tabs when its control went out of sight with the
            // page, so that the next key turns the same tabs.
            const QWidget* focus = QApplication::focusWidget();
            if (!focus || !tabs->isAncestorOf(focus))
                tabs->tabBar()->setFocus();
            return;
        }
    }
}

void TForm1::showHistoryState()
{
    if (!undoAction_)
        return;
    const bool open = document_.isOpen();
    std::optional<HistoryEntry> undo;
    std::optional<HistoryEntry> redo;
    // Read once for the menu and the history window alike.
    const ImageHistory history = open ? document_.history() : ImageHistory{};
    if (open) {
        const std::vector<HistoryEntry>& entries = history.entries();
        if (history.position() > 0)
            undo = entries[history.position() - 1];
        if (history.position() < entries.size())
            redo = entries[history.position()];
    }
    // The items stay enabled, as the keys do: an image with nothing to take back says so.
    undoAction_->setText(NamedStep(kUndoCaption, undo));
    redoAction_->setText(NamedStep(kRedoCaption, redo));
    historyAction_->setEnabled(open);
    if (historyWindow_ && historyWindow_->isVisible())
        historyWindow_->refresh(history);
}

void TForm1::buildHeaderStrip()
{
    Edit65 = MakeReadOnlyField("Edit65", this);
    Button3 = new QPushButton(QStringLiteral("..."), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setFixedWidth(28);
    Edit91 = MakeReadOnlyField("Edit91", this);
    Edit92 = MakeReadOnlyField("Edit92", this);
    Edit92->setFixedWidth(56);
    Edit93 = MakeReadOnlyField("Edit93", this);
    Edit93->setFixedWidth(48);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);

    auto* strip = new QGridLayout;
    strip->setHorizontalSpacing(6);
    strip->setVerticalSpacing(4);
    const auto label = [this](const char* text, QLineEdit* buddy) {
        auto* caption = new QLabel(QString::fromUtf8(text), this);
        caption->setBuddy(buddy);
        return caption;
    };
    strip->addWidget(label("SMCファイル", Edit65), 0, 0);
    strip->addWidget(Edit65, 0, 1, 1, 5);
    strip->addWidget(Button3, 0, 6);
    strip->addWidget(label("ROMタイトル", Edit91), 1, 0);
    strip->addWidget(Edit91, 1, 1);
    strip->addWidget(label("バージョン", Edit92), 1, 2);
    strip->addWidget(Edit92, 1, 3);
    strip->addWidget(label("ヘッダ", Edit93), 1, 4);
    strip->addWidget(Edit93, 1, 5, 1, 2);
    strip->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kLayoutMargin, kLayoutMargin, kLayoutMargin, kLayoutMargin);
    layout->setSpacing(kLayoutSpacing);
    layout->addLayout(strip);
}

void TForm1::buildPages()
{
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    // Compact tabs, so that all seven captions stand in one row at the designed width; a
    // narrower window scrolls the row. The style sheet is the tab bar's own: set on the tab
    // widget, it would be applied again to each page's whole tree of controls.
    PageControl1->tabBar()->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 6px; }"));
    PageControl1->setUsesScrollButtons(true);
    PageControl1->setElideMode(Qt::ElideNone);
    for (int index = 0; index < kMainPageCount; ++index) {
        const PageInfo& page = kMainPages[index];
        // Each page builds its own controls, installs its own drop targets and connects to
        // the window's image signals.
        QWidget* sheet = nullptr;
        switch (index) {
        case kPatchApplyPageIndex:
            sheet = patchApplyPage_ = new PatchApplyPage(*this, PageControl1);
            break;
        case kCharaPatchPageIndex:
            sheet = charaPatchPage_ = new CharaPatchPage(*this, PageControl1);
            break;
        case kCharaGraphicPageIndex:
            sheet = new CharaGraphicPage(*this, PageControl1);
            break;
        case kEnemyPageIndex:
            sheet = new EnemyPage(*this, PageControl1);
            break;
        case kMmlPageIndex:
            sheet = new MmlPage(*this, PageControl1);
            break;
        case kSkillGraphicPageIndex:
            sheet = new SkillGraphicPage(*this, PageControl1);
            break;
        case kSparkPageIndex:
            sheet = new SparkPage(*this, PageControl1);
            break;
        default:
            sheet = new QWidget(PageControl1);
            break;
        }
        sheet->setObjectName(QString::fromLatin1(page.objectName));
        PageControl1->addTab(Scrollable(sheet, PageControl1), QString::fromUtf8(page.caption));
    }
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    layout->addWidget(PageControl1, 1);
    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("StatusBar"));
    statusBar_->setSizeGripEnabled(false);
    layout->addWidget(statusBar_);
}

void TForm1::installDropTargets()
{
    // In the window's order of drop targets: the sheet frame, the patch list, the ROM path.
    FileDropFilter::install(charaPatchPage_->sheetFrame(), [this](const QStringList& paths) {
        charaPatchPage_->LoadIntoEditor(paths.first());
    });
    FileDropFilter::install(patchApplyPage_->listView(), [this](const QStringList& paths) {
        patchApplyPage_->DropFiles(paths);
    });
    FileDropFilter::install(Edit65,
                            [this](const QStringList& paths) { OpenRomImage(paths.first()); });
}

QString TForm1::romPath() const
{
    return Edit65->text();
}

bool TForm1::acceptOutput(const QString& output, std::span<const std::filesystem::path> inputs)
{
    std::vector<std::filesystem::path> read(inputs.begin(), inputs.end());
    if (!romPath().isEmpty())
        read.push_back(ToPath(romPath()));
    const Status apart = CheckOutputNotInput(ToPath(output), read);
    if (!apart)
        dialogs().showError(QString::fromStdString(apart.message()));
    return apart.ok();
}

void TForm1::clearHeaderStrip()
{
    Edit65->clear();
    Edit91->clear();
    Edit92->clear();
    Edit93->clear();
}

void TForm1::Button3Click()
{
    // Images are also shared as ".sfc", and under any name: those filters follow the first.
    FileDialogRequest request{QStringLiteral("smcファイル (*.smc)|*.smc|"
                                             "ROMイメージ (*.smc;*.sfc)|*.smc;*.sfc|"
                                             "すべてのファイル (*)|*"),
                              1, {}, {}};
    request.kind = FileKind::RomImage;
    const auto path = dialogs_->chooseOpenFile(request);
    if (path)
        OpenRomImage(*path);
}

void TForm1::OpenRomImage(const QString& typedPath)
{
    clearHeaderStrip();
    setWindowTitle(QString::fromUtf8(kWindowTitle));
    emit romImageClosing();
    // The field shows the image's full path, however it was given.
    const QString path = typedPath.isEmpty() ? typedPath : QFileInfo(typedPath).absoluteFilePath();

    const RomIdentification image = document_.open(ToPath(path), settings_.smcHeaderCheck);
    watchImage();
    showHistoryState();
    statusBar_->clearMessage();
    const QString message = QString::fromStdString(image.message());
    switch (image.verdict) {
    case RomVerdict::CannotOpen:
    case RomVerdict::Refused:
        dialogs_->showError(message);
        return;
    case RomVerdict::Warned:
        dialogs_->showWarning(message);
        break;
    case RomVerdict::Accepted:
        break;
    }

    Edit65->setText(path);
    // The title names the open image first, as desktop editors do.
    setWindowTitle(QFileInfo(path).fileName() + QStringLiteral(" - ") +
                   QString::fromUtf8(kWindowTitle));
    state_->rememberImage(path);
    Edit91->setText(QString::fromStdString(image.titleText));
    Edit92->setText(QString::fromStdString(image.versionText));
    Edit93->setText(QString::fromStdString(image.headerText));
    emit romImageOpened(image);
}

ImageChangeOptions TForm1::imageChangeOptions(const std::string& what) const
{
    return document_.changeOptions(what, settings_.imageBackup == 1);
}

void TForm1::imageChanged()
{
    const bool differs = document_.refresh(settings_.smcHeaderCheck);
    // A rename put a new file in the image's place: the watch moves to it.
    watchImage();
    // An image that is gone (removed, or between a removal and a new file) leaves the pages
    // as they are: there is nothing to show instead, and they show it again once it is back.
    if (differs && document_.lastSeen())
        emit romImageChanged(document_.identification());
    showHistoryState();
}

void TForm1::imageFileNoticed()
{
    // A notice about the folder or a file written again with the same state is no change.
    if (!document_.isOpen() || !document_.changedOnDisk())
        return;
    const std::optional<std::uint64_t> shown =
        document_.lastSeen() ? std::optional(document_.lastSeen()->checksum) : std::nullopt;
    imageChanged();
    const std::optional<std::uint64_t> now =
        document_.lastSeen() ? std::optional(document_.lastSeen()->checksum) : std::nullopt;
    if (now && now != shown)
        statusBar_->showMessage(QString::fromUtf8(kChangedElsewhereStatus));
}

void TForm1::watchImage()
{
    if (!watcher_)
        return;
    if (const QStringList files = watcher_->files(); !files.isEmpty())
        watcher_->removePaths(files);
    if (const QStringList folders = watcher_->directories(); !folders.isEmpty())
        watcher_->removePaths(folders);
    if (!document_.isOpen())
        return;
    const QString path = ToQString(document_.path());
    watcher_->addPath(path);
    watcher_->addPath(QFileInfo(path).absolutePath());
}

void TForm1::markPageEdited(QWidget* page, bool edited)
{
    if (!PageControl1)
        return;
    for (int i = 0; i < PageControl1->count(); ++i) {
        QWidget* tab = PageControl1->widget(i);
        if (tab != page && !tab->isAncestorOf(page))
            continue;
        const QString caption = QString::fromUtf8(kMainPages[i].caption);
        PageControl1->setTabText(i, edited ? caption + QStringLiteral(" *") : caption);
        return;
    }
}

void TForm1::UndoImageChange()
{
    stepThroughHistory(true);
}

void TForm1::RedoImageChange()
{
    stepThroughHistory(false);
}

void TForm1::stepThroughHistory(bool back)
{
    if (!document_.isOpen())
        return;
    const std::optional<HistoryEntry> entry = back ? document_.nextUndo() : document_.nextRedo();
    const bool backup = settings_.imageBackup == 1;
    const Status done = back ? document_.undo(1, backup) : document_.redo(1, backup);
    QString status;
    if (entry)
        status = QString::fromUtf8(back ? "元に戻しました：" : "やり直しました：") +
                 FromUtf8(entry->what);
    finishHistoryStep(done, status);
}

void TForm1::RestoreImageState(std::size_t position)
{
    if (!document_.isOpen())
        return;
    const Status done = document_.restore(position, settings_.imageBackup == 1);
    finishHistoryStep(done, QString::fromUtf8("履歴の状態に戻しました。"));
}

void TForm1::finishHistoryStep(const Status& done, const QString& status)
{
    imageChanged();
    if (!done) {
        statusBar_->clearMessage();
        dialogs_->showError(QString::fromStdString(done.message()));
        return;
    }
    statusBar_->showMessage(status);
}

void TForm1::ShowHistory()
{
    if (!historyWindow_)
        historyWindow_ = new HistoryWindow(*this);
    historyWindow_->refresh();
    historyWindow_->show();
    historyWindow_->raise();
    historyWindow_->activateWindow();
}

bool TForm1::LoadSheetImage(const QString& path)
{
    Result<GifImage> sheet = varn::LoadSheetImage(ToPath(path));
    if (!sheet) {
        dialogs_->showError(QString::fromStdString(sheet.message()));
        return false;
    }
    sheetImage_ = std::move(sheet).value();
    return true;
}

} // namespace varn::app
