#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "enemy/ArmourSummary.h"
#include "rom/WritePlan.h"

namespace varn {

// The enemy page "敵変更": every control's value as the page holds it. Number and address
// boxes keep their text (the checks read it as the user typed it); selection lists keep the
// selected item's index in their list (EnemyLists.h for the lists built from the image,
// -1 for a box that shows nothing), except the equipment and drop boxes, which keep the item
// code of the selected entry: those lists show a stored code they do not hold as an entry of
// its own, which exists only while that enemy is shown. Check boxes and the enabling of the
// pattern boxes are flags. Texts are UTF-8. The defaults are those of a fresh page.
// The code of "【00FF】無し" in the equipment lists.
inline constexpr int kNoEquipment = 0xFF;

struct EnemyForm {
    int enemy = 0;          // ComboBox30 "変更する敵", index = enemy number
    bool readStatus = true; // CheckBox30 "敵のステータスを読み出す"
    std::string name = "名無しさん"; // Edit73 "名前"
    // The name's field as the image stores it, when the enemy was read: written back as it is
    // while Edit73 shows what it reads as, so that a name the codec cannot give back (one that
    // does not decode, or decodes to text that encodes otherwise) is not lost by an apply.
    std::vector<std::uint8_t> nameField;

    // Sub-tab 0 "グラフィック".
    std::string address = "400000"; // Edit74 "アドレス", hexadecimal
    std::string endAddress;         // Edit77 "～", read-only
    std::string dataSize;           // Edit95 "データサイズ", read-only
    int graphicNumber = 0;          // ComboBox31 "画像No", index = graphic number - 0x73
    int boxWidth = 0;               // ComboBox32, index + 1 = width in units of 32 pixels
    int boxHeight = 0;              // ComboBox33, index + 1 = height in units of 32 pixels
    int offsetX = 0;                // ComboBox34, units of 8 pixels
    int offsetY = 0;                // ComboBox35, units of 8 pixels
    int appearance = 0;             // ComboBox36 "登場パターン", index = code

    // Sub-tab 1 "ステータス".
    std::string hp = "100"; // Edit85
    // Edit78-Edit84: 腕力 器用さ 素早さ 体力 魔力 意志力 魅力.
    std::array<std::string, 7> stats{"15", "15", "15", "15", "15", "15", "15"};
    // Edit86-Edit89: 技LV 術LV 上昇LV 閃きLV.
    std::array<std::string, 4> levels{"5", "5", "5", "5"};
    int recoveryElement = 0; // ComboBox61 "回復地相", index = code
    // CheckBox55-59: 水 投げ 音波 凝視 浮遊.
    std::array<bool, 5> resistances{};
    int race = 0;        // ComboBox62, index = code
    bool undead = false; // CheckBox61 "不死"
    bool female = false; // CheckBox62 "女"
    bool male = false;   // CheckBox63 "男"

    // Sub-tab 2 "装備": ComboBox37 武器1, ComboBox38 武器2, ComboBox39 盾, ComboBox40 防具1,
    // ComboBox41 防具2: the item code of each (0x00FF "無し", see EquipmentCode), -1 for none.
    std::array<int, 5> equipment{kNoEquipment, kNoEquipment, kNoEquipment, kNoEquipment,
                                 kNoEquipment};
    std::array<bool, 2> noDisarm{}; // CheckBox32, CheckBox33 "無刀取り不可"
    ArmourSummary armourSummary;

    // Sub-tab 3 "行動パターン": ComboBox42 and ComboBox51 (index = pattern); the techniques
    // ComboBox43-50 and ComboBox52-59 (index = technique); whether each row of technique
    // boxes can be edited (only the expansion's patterns can, the shared pattern only once).
    std::array<int, 2> patterns{};
    std::array<std::array<int, 8>, 2> techniques{};
    std::array<bool, 2> techniquesEnabled{true, true};

    // Sub-tab 4 "その他".
    // ComboBox66 100%, ComboBox67 高確率, ComboBox68 中確率, ComboBox69 低確率: the item code
    // of each (the stored 16-bit value), -1 for none.
    std::array<int, 4> drops{};
    std::string money = "0";  // Edit94
    int patternChoice = 0;    // ComboBox63 "パターン選択"
    int techniqueChoice = 0;  // ComboBox64 "技選択"
    int twoAttack = 0;        // ComboBox65 "2回攻撃": 0 none, i + 1 slot i

    friend bool operator==(const EnemyForm&, const EnemyForm&) = default;
};

// The sub-tabs of PageControl3, in order.
enum EnemySubTab : int {
    kGraphicSubTab = 0,
    kStatusSubTab = 1,
    kEquipmentSubTab = 2,
    kPatternSubTab = 3,
    kOtherSubTab = 4,
};

// A check of the page that failed gives a Failure (rom/Result.h): the message to show
// (caption "エラー"), the sub-tab of PageControl3 to bring to the front as its page and the
// object name of the control to focus.

// Selects item 0 in every list built from the image (ComboBox30, ComboBox31, ComboBox37 to
// ComboBox59, ComboBox65 to ComboBox69), as the page does once its lists are filled.
void ResetEnemySelections(EnemyForm& form);

} // namespace varn
