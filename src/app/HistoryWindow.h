#pragma once

#include <QDialog>

#include "rom/ImageHistory.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace varn::app {

class TForm1;

// "履歴": the changes recorded for the open image, oldest first, below a first row that stands
// for the state before them. The row of the state the image is in now is marked; choosing
// another row and "この状態に戻す" brings the image to that state as one change (an undo or
// redo of every entry between). The window stays open beside the main window and follows the
// image as it changes.
class HistoryWindow : public QDialog {
    Q_OBJECT

public:
    explicit HistoryWindow(TForm1& window);

    // Lists the history of the window's image as it stands now.
    void refresh();
    // The same with the history already read from the image's history folder.
    void refresh(const ImageHistory& history);

private:
    void restoreChosen();

    TForm1& window_;
    QLabel* imageLabel_ = nullptr;
    QListWidget* list_ = nullptr;
    QPushButton* restore_ = nullptr;
};

} // namespace varn::app
