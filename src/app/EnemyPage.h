#pragma once

#include <array>
#include <functional>
#include <optional>

#include <QStringList>
#include <QWidget>

#include "enemy/EnemyForm.h"
#include "enemy/EnemyLists.h"
#include "graphics/GifImage.h"
#include "rom/RomIdentification.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace varn {
class RomStream;
}

namespace varn::app {

class EnemyListModel;
class TForm1;

// The page "敵変更": one enemy of the open image at a time — its name, status, resistances,
// race, equipment with the armour summary, action patterns, drops and money — and a new battle
// graphic for it. The controls are the only store of what the user edits: each command reads
// them into an EnemyForm, lets the core decide, and shows what comes back. The lists built
// from the image live here once per opened image, one model per list, shared by every box that
// offers it.
class EnemyPage : public QWidget {
    Q_OBJECT

public:
    explicit EnemyPage(TForm1& window, QWidget* parent = nullptr);
    ~EnemyPage() override;

    // The form as the controls hold it, and the controls set from a form.
    EnemyForm readForm() const;
    void writeForm(const EnemyForm& form);

    // The frame around the picture, where dropped GIF files go.
    QFrame* pictureFrame() const { return Panel5; }
    // The lists built from the open image.
    const EnemyLists& enemyLists() const { return lists_; }
    // The picture the next apply writes as the enemy's graphic; empty when none is held.
    const std::optional<GifImage>& heldPicture() const { return held_; }
    // Whether the form holds edits not yet applied: a control changed since the enemy was
    // read or applied, or a picture loaded since then.
    bool edited() const { return edited_; }

    // Fills every list from the image at the window's path and selects the first entry of
    // each; false, changing nothing, when the image cannot be read.
    bool LoadEnemyLists();
    // Reads the enemy selected in ComboBox30 into the page, with its armour summary, action
    // patterns and drops; false, changing nothing, when the image cannot be read.
    bool LoadEnemyRecord();
    // Loads, checks and shows a picture and fills the graphic sub-tab; a refused picture shows
    // its message and leaves nothing held.
    bool LoadEnemyPicture(const QString& path);

public slots:
    // Opening an image begins: the enemy list is emptied.
    void ClearEnemySelection();
    // An image was opened: the lists, and the first enemy when CheckBox30 is ticked.
    void LoadFromImage(const varn::RomIdentification& image);
    // The open image changed: the lists are read again and the enemy that was selected stays
    // selected (read again when CheckBox30 is ticked, as choosing it does).
    void ReloadFromImage(const varn::RomIdentification& image);

    // The change handlers of the lists.
    void ComboBox30Change();
    void ComboBox40Change();
    void ComboBox42Change();
    void ComboBox43Change();
    // "...": chooses a picture.
    void Button14Click();
    // Files dropped on the picture frame: the first, when it is a GIF.
    void DropFiles(const QStringList& paths);
    // "適用": checks the page and writes it into the image.
    void Button16Click();

private:
    QWidget* buildLeftColumn();
    QWidget* buildGraphicTab();
    QWidget* buildStatusTab();
    QWidget* buildEquipmentTab();
    QWidget* buildPatternTab();
    QWidget* buildOtherTab();

    QComboBox* listBox(const char* name, EnemyListModel* model, int contentsLength);
    QComboBox* fixedBox(const char* name, const EnemyList& items);

    // Runs `read` on the image at the window's path; false when it cannot be opened.
    template <class Read> bool withImage(Read read);
    // Image5 shows the held picture, else the graphic the image holds for the selected enemy.
    void showPicture();
    // The form as read or applied last is the one without edits; the tab mark follows.
    void noteFormRead();
    void noteFormChange();
    void setEdited(bool edited);
    void watchFormControls();
    void writeControls(const EnemyForm& form);
    void changeLists(const std::function<void()>& change);

    // An equipment or drop list with its model: it shows a stored code it lacks as an entry of
    // its own, which lasts until the next enemy is read.
    struct CodedList {
        EnemyList* list;
        EnemyListModel* model;
    };
    std::array<CodedList, 4> codedLists();
    // The index that shows `code` in the list, appending an entry of its own when needed.
    int showCode(const CodedList& coded, int code);
    // Takes the entries of their own out of the lists again.
    void dropEntriesOfTheirOwn();
    const EnemyList& equipmentList(std::size_t slot) const;

    TForm1& window_;
    EnemyLists lists_;
    // The sizes of the weapon, shield, armour and drop lists as built from the image.
    std::array<std::size_t, 4> regularSizes_{};
    std::optional<GifImage> held_;
    // The name's field as the image stored it for the enemy read last (EnemyForm::nameField).
    std::vector<std::uint8_t> nameField_;
    // The form as it was read or applied last, and whether a picture was loaded since.
    EnemyForm formRead_;
    bool pictureSinceRead_ = false;
    bool edited_ = false;
    // While the page writes the controls itself, their changes are no edits.
    int writingForm_ = 0;
    // The checksum of the image the page shows; an apply from it is refused once the image
    // is another.
    std::optional<std::uint64_t> shownChecksum_;

    // One model per list built from the image.
    EnemyListModel* enemyItems_ = nullptr;
    EnemyListModel* graphicNumberItems_ = nullptr;
    EnemyListModel* weaponItems_ = nullptr;
    EnemyListModel* shieldItems_ = nullptr;
    EnemyListModel* armourItems_ = nullptr;
    EnemyListModel* patternItems_ = nullptr;
    EnemyListModel* techniqueItems_ = nullptr;
    EnemyListModel* dropItems_ = nullptr;
    EnemyListModel* twoAttackItems_ = nullptr;

    // Above the sub-tabs and the picture.
    QComboBox* ComboBox30 = nullptr;
    QCheckBox* CheckBox30 = nullptr;
    QLineEdit* Edit73 = nullptr;
    QTabWidget* PageControl3 = nullptr;
    QPushButton* Button16 = nullptr;
    QFrame* Panel5 = nullptr;
    QLabel* Image5 = nullptr;
    QPushButton* Button14 = nullptr;

    // "グラフィック".
    QLineEdit* Edit74 = nullptr;
    QLineEdit* Edit77 = nullptr;
    QLineEdit* Edit95 = nullptr;
    QComboBox* ComboBox31 = nullptr;
    QLineEdit* Edit75 = nullptr;
    QLineEdit* Edit76 = nullptr;
    QComboBox* ComboBox32 = nullptr;
    QComboBox* ComboBox33 = nullptr;
    QComboBox* ComboBox34 = nullptr;
    QComboBox* ComboBox35 = nullptr;
    QComboBox* ComboBox36 = nullptr;

    // "ステータス".
    QLineEdit* Edit85 = nullptr;
    std::array<QLineEdit*, 7> statFields_{};  // Edit78-Edit84
    std::array<QLineEdit*, 4> levelFields_{}; // Edit86-Edit89
    QComboBox* ComboBox61 = nullptr;
    std::array<QCheckBox*, 5> resistanceBoxes_{}; // CheckBox55-CheckBox59
    QComboBox* ComboBox62 = nullptr;
    QCheckBox* CheckBox61 = nullptr;
    QCheckBox* CheckBox62 = nullptr;
    QCheckBox* CheckBox63 = nullptr;

    // "装備".
    std::array<QComboBox*, 5> equipmentBoxes_{}; // ComboBox37-ComboBox41
    std::array<QCheckBox*, 2> noDisarmBoxes_{};  // CheckBox32, CheckBox33
    // 斬 Edit66, 打 Edit68, 突 Edit72, 射 Edit90, 熱 Edit96, 冷 Edit97, 雷 Edit100, 状 Edit101.
    std::array<QLineEdit*, 8> defenceFields_{};
    std::array<QCheckBox*, 8> armourResistanceBoxes_{}; // CheckBox34-CheckBox41
    std::array<QCheckBox*, 5> armourOtherBoxes_{};      // CheckBox42-CheckBox46
    std::array<QCheckBox*, 7> armourRecoveryBoxes_{};   // CheckBox47-CheckBox53
    QCheckBox* CheckBox54 = nullptr;

    // "行動パターン": ComboBox42 and ComboBox51, their techniques ComboBox43-50, ComboBox52-59.
    std::array<QComboBox*, 2> patternBoxes_{};
    std::array<std::array<QComboBox*, 8>, 2> techniqueBoxes_{};

    // "その他".
    std::array<QComboBox*, 4> dropBoxes_{}; // ComboBox66-ComboBox69
    QLineEdit* Edit94 = nullptr;
    QComboBox* ComboBox63 = nullptr;
    QComboBox* ComboBox64 = nullptr;
    QComboBox* ComboBox65 = nullptr;
};

} // namespace varn::app
