#pragma once

#include <array>

#include <QHash>
#include <QWidget>

#include "app/FieldLimits.h"

#include "charpatch/CharacterForm.h"
#include "charpatch/PatchValidation.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace varn::app {

class ItemListModel;
class TForm1;

// The page "キャラパッチ": the form of one playable character, its sprite sheet, and the
// commands that load a sheet or a patch into it and save it as a character patch. The
// controls are the only store of what the user edits; the page reads them into a
// CharacterForm for the core and writes the core's answer back.
class CharaPatchPage : public QWidget {
    Q_OBJECT

public:
    explicit CharaPatchPage(TForm1& window, QWidget* parent = nullptr);

    // The form as the controls hold it, and the controls set from a form.
    CharacterForm readForm() const;
    void writeForm(const CharacterForm& form);

    // The frame around the sheet preview, where the main window routes dropped files.
    QFrame* sheetFrame() const { return Panel1; }

    // Rewrites the seven base values as numbers and shows the totals.
    void StatusChange();
    // Rewrites a number field as the number it holds.
    void ZeroEdit(QLineEdit* field);
    // Fills the bonus and total columns of "基本ステータス" from the form.
    void ShowTotals();

    // Loads a sprite sheet (".gif") or a character patch (".vnp") into the editor.
    void LoadIntoEditor(const QString& path);

public slots:
    // "...": chooses a sheet or a patch and loads it.
    void Button1Click();
    // "パッチ作成": checks the form and saves it as a character patch.
    void Button2Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildLeftColumn();
    QWidget* buildStatusPage();
    QWidget* buildLevelPage();
    QWidget* buildEquipmentPage();
    QWidget* buildSkillPage();
    struct SlotGroup {
        QString label;    // "武器", "防具", "技", "術"
        int firstControl; // number of the first slot's ComboBox
        ItemListModel* model;
        std::array<QComboBox*, 4>* boxes;
    };
    QWidget* buildSlotPage(const SlotGroup& upper, const SlotGroup& lower);
    QWidget* buildGrowthPage();
    QWidget* buildOtherPage();
    QWidget* buildFirstTalkPage();
    QWidget* buildRepeatTalkPage();
    QWidget* buildLastBattlePage();

    QLineEdit* numberField(const QString& name, int maxLength, const char* text);
    QComboBox* listBox(const QString& name, ItemListModel* model);
    // A multi-line field showing `visibleLines` lines at least, taking at most `maxTypedBytes`
    // as the user types, with its counter.
    QPlainTextEdit* memo(const QString& name, int visibleLines, int maxTypedBytes, RoomOf room);
    // A conversation message (120 bytes typed, 4 lines of 15) and a choice (30 bytes typed,
    // 15 characters).
    QPlainTextEdit* talkMemo(const QString& name, int visibleLines);
    QLineEdit* choiceField(const QString& name);
    // A memo's caption with the memo's counter at the right.
    QHBoxLayout* captioned(QLabel* caption, QPlainTextEdit* memo) const;

    void CreateCharacterPatch();
    void showSheet();
    void updateTalkControls();

    TForm1& window_;

    // The lists the combo boxes show, one model per list.
    ItemListModel* genderItems_ = nullptr;
    ItemListModel* starItems_ = nullptr;
    ItemListModel* favouriteWeaponItems_ = nullptr;
    ItemListModel* growthTypeItems_ = nullptr;
    ItemListModel* sparkTypeItems_ = nullptr;
    ItemListModel* initialMagicItems_ = nullptr;
    ItemListModel* weaponItems_ = nullptr;
    ItemListModel* armourItems_ = nullptr;
    ItemListModel* techniqueItems_ = nullptr;
    ItemListModel* spellItems_ = nullptr;
    ItemListModel* formationItems_ = nullptr;
    ItemListModel* exclusiveWeaponItems_ = nullptr;
    ItemListModel* commanderItems_ = nullptr;
    ItemListModel* talkMusicItems_ = nullptr;

    // Left column.
    QFrame* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* Button1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QHash<const QPlainTextEdit*, QLabel*> counters_;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button8 = nullptr;
    QPushButton* Button2 = nullptr;
    QTabWidget* PageControl2 = nullptr;

    // "基本ステータス": base values Edit3-Edit9, star bonus Edit11-Edit17, weapon bonus
    // Edit18-Edit24, totals Edit25-Edit31.
    std::array<QLineEdit*, 7> baseFields_{};
    std::array<QLineEdit*, 7> starBonusFields_{};
    std::array<QLineEdit*, 7> weaponBonusFields_{};
    std::array<QLineEdit*, 7> totalFields_{};
    QLineEdit* Edit10 = nullptr;
    QLineEdit* Edit32 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QComboBox* ComboBox4 = nullptr;
    QComboBox* ComboBox60 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QComboBox* ComboBox71 = nullptr;

    // "初期レベル": Edit34-Edit41 in the form's level order, CheckBox1-CheckBox9.
    QLineEdit* Edit33 = nullptr;
    std::array<QLineEdit*, 8> levelFields_{};
    std::array<QCheckBox*, 9> levelGrowthBoxes_{};
    QButtonGroup* earthSchools_ = nullptr;  // RadioButton1-RadioButton4
    QButtonGroup* heavenSchools_ = nullptr; // RadioButton5, RadioButton6

    // "初期装備" and "初期習得技術".
    std::array<QComboBox*, 4> weaponBoxes_{};    // ComboBox13-ComboBox16
    std::array<QComboBox*, 4> armourBoxes_{};    // ComboBox17-ComboBox20
    std::array<QComboBox*, 4> techniqueBoxes_{}; // ComboBox5-ComboBox8
    std::array<QComboBox*, 4> spellBoxes_{};     // ComboBox9-ComboBox12

    // "成長率", in the form's order.
    std::array<QLineEdit*, 15> growthFields_{};

    // "その他".
    std::array<QCheckBox*, 6> purchaseBanBoxes_{}; // CheckBox10-CheckBox15
    QComboBox* ComboBox21 = nullptr;
    QComboBox* ComboBox22 = nullptr;
    QComboBox* ComboBox23 = nullptr;
    std::array<QCheckBox*, 8> weaponCostBoxes_{}; // CheckBox16-CheckBox23
    std::array<QCheckBox*, 6> magicCostBoxes_{};  // CheckBox24-CheckBox29
    QComboBox* ComboBox25 = nullptr;

    // "会話(初回)", "会話(2回目以降)", "ラストバトル".
    QPlainTextEdit* Memo2 = nullptr;
    QLineEdit* Edit57 = nullptr;
    QLineEdit* Edit58 = nullptr;
    QPlainTextEdit* Memo3 = nullptr;
    QCheckBox* CheckBox31 = nullptr;
    QLineEdit* Edit59 = nullptr;
    QLineEdit* Edit60 = nullptr;
    QPlainTextEdit* Memo4 = nullptr;
    QButtonGroup* hpConditions_ = nullptr; // RadioButton7-RadioButton9
    QRadioButton* RadioButton7 = nullptr;
    QRadioButton* RadioButton8 = nullptr;
    QRadioButton* RadioButton9 = nullptr;
    QPlainTextEdit* Memo5 = nullptr;
    QPlainTextEdit* Memo6 = nullptr;
    QLineEdit* Edit61 = nullptr;
    QLineEdit* Edit62 = nullptr;
    QPlainTextEdit* Memo7 = nullptr;
    QPlainTextEdit* Memo8 = nullptr;
    QPlainTextEdit* Memo9 = nullptr;
};

} // namespace varn::app
