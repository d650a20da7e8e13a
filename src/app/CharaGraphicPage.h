#pragma once

#include <cstdint>

#include <QWidget>

#include "graphics/GifImage.h"
#include "rom/Result.h"

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace varn {
struct RomIdentification;
}

namespace varn::app {

class TForm1;

// The page "キャラグラフィック": any playable character's sprite sheet read straight from the
// open ROM image, shown and saved as GIF. The page holds nothing but its list and its picture;
// every showing reads the image again.
class CharaGraphicPage : public QWidget {
    Q_OBJECT

public:
    explicit CharaGraphicPage(TForm1& window, QWidget* parent = nullptr);

    // The main window's image opening: under the ROM condition (VARNHOLD EPICS3, version 1.1,
    // no copier header) lists the extra codes B0 to CD of an expanded image after the 32 fixed
    // ones, with the names the image holds, and shows the selected character's sheet.
    // Otherwise the page is left as it is.
    void LoadCharacterGraphicsPage(const varn::RomIdentification& image);

    // The sheet of the selected character, read from the open image; refused like the core's
    // reader refuses it.
    Result<GifImage> ReadCharacterSheet() const;

    // Shows the selected character's sheet in Image8 and enables "GIFで保存", or, when the
    // sheet cannot be read, shows nothing and disables it.
    void ShowCharacterSheet();

    // The character code of the selected item.
    std::uint8_t selectedCode() const;

public slots:
    // Another character chosen in the list.
    void ComboBox70Change();
    // "GIFで保存": saves the selected character's sheet, colour 0 transparent when the setting
    // TmpTransparent is 1.
    void Button9Click();

private:
    // The image is about to change: what the page showed of the old one goes.
    void dropImage();
    void removeExtraItems();

    TForm1& window_;
    // Whether the open image meets the ROM condition.
    bool available_ = false;
    // The item selected when the last image was dropped.
    int selectedBeforeClosing_ = 0;

    QComboBox* ComboBox70 = nullptr;
    QFrame* Panel8 = nullptr;
    QLabel* Image8 = nullptr;
    QPushButton* Button9 = nullptr;
};

} // namespace varn::app
