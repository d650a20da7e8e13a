#pragma once

#include <filesystem>
#include <memory>
#include <span>

#include <QSize>
#include <QWidget>

#include "app/DialogService.h"
#include "graphics/GifImage.h"
#include "rom/ImageDocument.h"
#include "rom/RomIdentification.h"
#include "text/Settings.h"

class QAction;
class QFileSystemWatcher;
class QLineEdit;
class QMenuBar;
class QStatusBar;
class QPushButton;
class QTabWidget;

namespace varn::app {

class CharaPatchPage;
class HistoryWindow;
class PatchApplyPage;
class UiState;

// The main window: the header strip with the open ROM image, and the seven pages. It owns
// the settings, the music constants and the dialog service, and is the only way pages reach
// each other.
class TForm1 : public QWidget {
    Q_OBJECT

public:
    // Runs the start-up sequence: reads the settings at `settingsPath`, shows the start-up
    // page and installs the drop targets. `statePath` is the file where the folders last
    // used and the recent images are kept (none when empty). Without a dialog service of its
    // own the window shows real message boxes and file dialogs.
    TForm1(const std::filesystem::path& settingsPath, const QString& statePath,
           std::unique_ptr<DialogService> dialogs = nullptr, QWidget* parent = nullptr);
    ~TForm1() override;

    // The size the window opens at (its designed client size, with the menu bar and the status
    // bar) and the smallest it may be made:
    // small enough for a 1366 × 768 screen and for a 1920 × 1080 screen at display scale 2;
    // below the designed size the pages scroll.
    static QSize designedSize();
    static QSize smallestSize();

    const Settings& settings() const { return settings_; }
    const MusicConstants& musicConstants() const { return musicConstants_; }
    DialogService& dialogs() { return *dialogs_; }

    // The path of the open ROM image, empty when none is open.
    QString romPath() const;

    // The open image: every change a page makes takes its options from here, and reports
    // back with imageChanged() when it has run.
    const ImageDocument& document() const { return document_; }
    // The options of a change the pages make of the open image, named `what` in its history
    // ("閃き適正", "敵変更 【0005】"): with the backup the settings ask for, and refused when the
    // image is no longer the one the pages show.
    ImageChangeOptions imageChangeOptions(const std::string& what) const;
    // A command on the open image has run (or was refused): the window looks at the file again
    // and, when it differs from what the pages show, they show it anew.
    void imageChanged();

    // "元に戻す" and "やり直す": take the last change of the open image back, or apply again the
    // one taken back last; an image without such a change, or one that is not the state its
    // history expects, shows the message and is left alone.
    void UndoImageChange();
    void RedoImageChange();
    // Brings the open image to the state after the first `position` entries of its history, as
    // one change; the message when that cannot be done, the image left alone.
    void RestoreImageState(std::size_t position);
    // "履歴...": shows the history window of the open image.
    void ShowHistory();

    // Marks the tab of the page that holds `page` while it has edits not yet written.
    void markPageEdited(QWidget* page, bool edited);

    // Whether the file chosen in a save dialog may be written: it may be neither the open image
    // nor one of `inputs`, the files the command reads (by any name: links are followed, hard
    // links seen). Otherwise shows "出力先が入力ファイルと同じです。" and the file's name as an
    // error and returns false, and the command writes nothing.
    bool acceptOutput(const QString& output, std::span<const std::filesystem::path> inputs = {});

    // Opens and identifies the image at `path`, refusing or warning about an image that is
    // not the expected one as the settings say, and fills the header strip.
    void OpenRomImage(const QString& path);

    // Loads a GIF chosen as a character's sprite sheet and checks it; a refused file shows
    // its message as an error and leaves the current sheet as it was. On success the image is
    // the character editor's current sheet.
    bool LoadSheetImage(const QString& path);

    // The character editor's current sprite sheet; no frames until one is loaded.
    const GifImage& sheetImage() const { return sheetImage_; }
    // Makes a sheet built elsewhere (from a character patch) the current one.
    void setSheetImage(GifImage sheet) { sheetImage_ = std::move(sheet); }
    // Leaves the character editor without a sheet.
    void clearSheetImage() { sheetImage_ = GifImage{}; }

public slots:
    // "...": chooses an image with the open dialog and opens it.
    void Button3Click();

signals:
    // Opening an image begins: pages drop what they showed of the image before (the enemy
    // selection list, the spark grid), whether or not the new image is then opened.
    void romImageClosing();
    // An image was opened (accepted or warned about) and the header strip filled. The pages
    // that read from the image load from `romPath()`, each deciding by `image` whether the
    // image is one it shows. Pages connect in page order, so loaders run in that order.
    void romImageOpened(const varn::RomIdentification& image);
    // The open image's file changed (a page's change, an undo or redo, or another program):
    // the pages that show the image read it again, keeping what the user had selected.
    void romImageChanged(const varn::RomIdentification& image);

private:
    void buildHeaderStrip();
    void buildPages();
    void installDropTargets();
    void clearHeaderStrip();
    void watchImage();
    void imageFileNoticed();
    void stepThroughHistory(bool back);
    void finishHistoryStep(const Status& done, const QString& status);
    void buildMenus();
    void buildPageKeys();
    // Brings the next (step 1) or previous (step -1) enabled page of the tabs the focus is in to
    // the front: the inner tabs of a page, else the main pages; from the last page to the first.
    void turnPage(int step);
    // The edit menu's items name the change an undo or redo would make, and the history
    // window lists the entries as they now are.
    void showHistoryState();

    std::unique_ptr<UiState> state_;
    std::unique_ptr<DialogService> dialogs_;
    Settings settings_;
    MusicConstants musicConstants_;
    GifImage sheetImage_;
    ImageDocument document_;
    QFileSystemWatcher* watcher_ = nullptr;
    HistoryWindow* historyWindow_ = nullptr;

    QMenuBar* menuBar_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    QAction* historyAction_ = nullptr;

    QLineEdit* Edit65 = nullptr;
    QPushButton* Button3 = nullptr;
    QLineEdit* Edit91 = nullptr;
    QLineEdit* Edit92 = nullptr;
    QLineEdit* Edit93 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    PatchApplyPage* patchApplyPage_ = nullptr;
    CharaPatchPage* charaPatchPage_ = nullptr;
};

// Converts between the program's path strings and the core's paths without losing characters.
std::filesystem::path ToPath(const QString& path);
QString ToQString(const std::filesystem::path& path);

} // namespace varn::app
