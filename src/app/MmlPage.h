#pragma once

#include <string>
#include <vector>

#include <QWidget>

class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace varn::app {

class TForm1;

// The page "MML": compiles one MML file into the open image under the music number and at the
// write address the user chooses, with the maps, monsters and map themes ticked in the three
// playback lists, or reverse-compiles one music number of the image into an MML file. The page
// keeps nothing but its controls; the commands are the music core's (MmlPageCommands.h).
class MmlPage : public QWidget {
    Q_OBJECT

public:
    explicit MmlPage(TForm1& window, QWidget* parent = nullptr);

    // The MML file field, where dropped files land.
    QLineEdit* mmlFileField() const { return Edit67; }

    // The indices of the ticked items of a playback list, in index order.
    static std::vector<int> TickedItems(const QListWidget* list);

public slots:
    // "...": chooses the MML file.
    void Button11Click();
    // "コンパイル": compiles the MML file into the open image.
    void Button13Click();
    // "逆コンパイル": reverse-compiles the music number into a file chosen with the save dialog.
    void Button17Click();

private:
    QListWidget* makePlaybackList(const char* name, const std::vector<std::string>& labels);
    QGroupBox* buildPlaybackGroup();
    // A field of the window's header strip (Edit91, Edit93), empty when there is none.
    QString headerStripText(const char* name) const;

    TForm1& window_;

    QLineEdit* Edit67 = nullptr;
    QPushButton* Button11 = nullptr;
    QLineEdit* Edit69 = nullptr;
    QLineEdit* Edit70 = nullptr;
    QLineEdit* Edit71 = nullptr;
    QListWidget* CheckListBox1 = nullptr;
    QListWidget* CheckListBox2 = nullptr;
    QListWidget* CheckListBox3 = nullptr;
    QPushButton* Button17 = nullptr;
    QPushButton* Button13 = nullptr;
};

} // namespace varn::app
