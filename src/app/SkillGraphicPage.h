#pragma once

#include <string>

#include <QWidget>

#include "skill/Skill.h"
#include "skill/SkillPage.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace varn {
struct RomIdentification;
}

namespace varn::app {

class TForm1;

// The page "技術グラフィック": the technique and spell graphics of the open image with their
// palettes, shown and saved as GIF, and a new 8-colour graphic, dropped on the write panel as
// a GIF, written into the reserved category. The page holds the `Skill` object and copies its
// controls into it before every read and write; the rules live in the core.
class SkillGraphicPage : public QWidget {
    Q_OBJECT

public:
    explicit SkillGraphicPage(TForm1& window, QWidget* parent = nullptr);

    // The four selections as the lists show them.
    SkillSelection selection() const;
    const Skill& skill() const { return skill_; }

    // How many times a picture is enlarged on the page (by whole numbers, so pixels stay
    // square and sharp).
    static constexpr int kPictureZoom = 2;

public slots:
    // Another graphic or palette category: the ID list is refilled for it, its first item
    // selected, and the graphic shown when an image is open.
    void ComboBox26Change();
    void ComboBox28Change();
    // Another graphic or palette ID: the graphic is shown when an image is open.
    void SkillComboChange();
    // Sets the categories up for the open image's title, reads the selected graphic and
    // shows it in Image3 with its palette in Image4. Another title shows nothing new; an
    // image that cannot be read leaves what the page showed.
    void ShowSkillGraphic();
    // "GIFで保存": saves the shown graphic unchanged.
    void Button10Click();
    // A file dropped on the write panel: the first one, if it is a ".gif", is imported.
    void ImportDroppedFiles(const QStringList& paths);
    // "書き込み": writes the imported graphic (and its palette) into the open image.
    void Button18Click();

private:
    // The image is about to change: its graphic goes from the page.
    void dropImage();
    void openImage(const varn::RomIdentification& image);
    // Puts a selection into the four lists without their handlers running; a category whose
    // ID list `refill` says is stale gets its list for the category first.
    void showSelection(const SkillSelection& selection, bool refillGraphicIds,
                       bool refillPaletteIds);
    void fillIds(QComboBox* box, int count);
    void showImported();
    bool imageOpen() const;

    TForm1& window_;
    Skill skill_;
    // The open image's title as the header strip shows it, and the copier header's size in
    // bytes its copier-header field shows.
    std::string title_;
    int headerSize_ = 0;
    // The file name "GIFで保存" chose last, offered again.
    QString lastSavedName_;

    QComboBox* ComboBox26 = nullptr;
    QComboBox* ComboBox27 = nullptr;
    QComboBox* ComboBox28 = nullptr;
    QComboBox* ComboBox29 = nullptr;
    QLabel* Image3 = nullptr;
    QLabel* Image4 = nullptr;
    QPushButton* Button10 = nullptr;
    QFrame* Panel6 = nullptr;
    QLabel* Image6 = nullptr;
    QLabel* Image7 = nullptr;
    QLineEdit* Edit98 = nullptr;
    QLineEdit* Edit99 = nullptr;
    QCheckBox* CheckBoxWritePalette = nullptr; // "パレットも書き込む"
    QPushButton* Button18 = nullptr;
};

} // namespace varn::app
