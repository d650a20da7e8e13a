#pragma once

#include <cstddef>
#include <optional>

#include <QWidget>

#include "patchlist/PatchList.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace varn::app {

class ItemListModel;
class PatchListView;
class TForm1;

// The page "パッチ適用": the ordered list of patch files (IPS and BPS patches, character
// patches and songs) that is applied to the open image in one go, a preview of the selected
// entry beside it, and the commands that save, load and apply the list. The list lives in a
// PatchList; the list view mirrors it and is refreshed from it after every change.
class PatchApplyPage : public QWidget {
    Q_OBJECT

public:
    explicit PatchApplyPage(TForm1& window, QWidget* parent = nullptr);

    // The list view, where the main window routes dropped files.
    PatchListView* listView() const { return ListView1; }
    const PatchList& patchList() const { return list_; }

    // Adds dropped files in their order: the first at the entry under the mouse cursor (or at
    // the end when the cursor is over no entry), each next one after it; stops at the first
    // file that is refused.
    void DropFiles(const QStringList& paths);

    // Adds one file by its extension at `index` (appended without one) and selects it. A list
    // file (".txt") replaces the list and gives false, so that a drop ends there; a refused
    // file shows why and gives false.
    bool AddPatchFile(const QString& path, std::optional<std::size_t> index = std::nullopt);

    // Replaces the list with a list file's entries, reporting a file that cannot be read or
    // lines that could not be added.
    void LoadListFile(const QString& path);

public slots:
    // Shows the selected entry beside the list: a character patch's name, title, sheet, target
    // and comment, a song's information lines, or the text a BPS patch's author put in it.
    void ShowEntryPreview();
    void ClearEntryPreview();
    // "パッチ適用": numbers the songs, asks, and applies the list to the open image.
    void Button4Click();
    // "リスト保存" and "リスト読み込み".
    void Button5Click();
    void Button6Click();
    // "GIFで保存": saves the shown character patch's sheet as a GIF.
    void Button7Click();
    // A target chosen for the selected character patch.
    void ComboBox24Change(int index);

private:
    QWidget* buildPreview();
    // Rebuilds the rows from the list and selects `row` (-1: nothing).
    void showList(int row);
    // The list entry that is selected, if any.
    std::optional<std::size_t> selectedEntry() const;
    void removeEntry(std::size_t index);
    void ListView1KeyDown();
    void ListView1DragDrop(int row);

    TForm1& window_;
    PatchList list_;
    ItemListModel* targetItems_ = nullptr;

    PatchListView* ListView1 = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button6 = nullptr;
    QPushButton* Button4 = nullptr;
    QLabel* Image2 = nullptr;
    QLineEdit* Edit63 = nullptr;
    QLineEdit* Edit64 = nullptr;
    QComboBox* ComboBox24 = nullptr;
    QPlainTextEdit* Memo10 = nullptr;
    QPushButton* Button7 = nullptr;
};

} // namespace varn::app
