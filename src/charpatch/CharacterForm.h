#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "charpatch/ItemLists.h"

namespace varn {

// The character editor's form: everything the page "キャラパッチ" holds, as the page holds it.
// Number fields keep their text (the checks read them as the user typed them); selection
// lists keep the selected item's index or, for the coded lists, its code. Texts are UTF-8.
// The defaults are those of a fresh page.
struct CharacterForm {
    // Left column.
    std::string name = "名無しさん";      // Edit1
    std::string title = "お腹いっぱい。"; // Edit2
    int gender = 0;                       // ComboBox1, item index
    std::string comment;                  // Memo1

    // Page 0 "基本ステータス".
    // Edit3-Edit9
    std::array<std::string, 7> attributes{"17", "17", "17", "17", "17", "17", "17"};
    std::string lp = "10";   // Edit10
    int guardianStar = 0;    // ComboBox3, item index 0-4
    int favouriteWeapon = 0; // ComboBox4, item index 0-8
    int sparkType = 0;       // ComboBox2, item index = code
    int growthType = 0;      // ComboBox60, item index = code
    int initialMagic = 0;    // ComboBox71, item index = code

    // Page 1 "初期レベル". Levels in the order 斬 打 突 射 体術 (Edit34-Edit38), 増幅 (Edit39),
    // 地術 (Edit40), 天術 (Edit41); growth flags in the order HP, 斬, 打, 突, 射, 体術, 増幅,
    // 地術, 天術 (CheckBox1-CheckBox9).
    std::string hp = "80"; // Edit33
    std::array<std::string, 8> levels{"0", "0", "0", "0", "0", "0", "0", "0"};
    std::array<bool, 9> levelGrowth{true, false, false, false, false, false, false, false, false};
    int earthSchool = 0; // 0 蒼龍 (RadioButton1), 1 朱鳥, 2 白虎, 3 玄武 (RadioButton4)
    // 0 太陽 (RadioButton5), 1 月 (RadioButton6); -1 neither, as a loaded patch may leave it.
    int heavenSchool = 0;

    // Page 2 "初期装備" and page 3 "初期習得技術": item codes, kNoItemCode for none.
    // ComboBox13-16
    std::array<std::uint8_t, 4> weapons{kNoItemCode, kNoItemCode, kNoItemCode, kNoItemCode};
    // ComboBox17-20
    std::array<std::uint8_t, 4> armours{kNoItemCode, kNoItemCode, kNoItemCode, kNoItemCode};
    // ComboBox5-8
    std::array<std::uint8_t, 4> techniques{kNoItemCode, kNoItemCode, kNoItemCode, kNoItemCode};
    // ComboBox9-12
    std::array<std::uint8_t, 4> spells{kNoItemCode, kNoItemCode, kNoItemCode, kNoItemCode};

    // Page 4 "成長率", in record order: HP WP JP (Edit42-44), 斬 打 突 射 体術 (Edit45-49),
    // 蒼龍 朱鳥 白虎 玄武 太陽 月 (Edit50-55), 増幅 (Edit56).
    std::array<std::string, 15> growthRates{"0", "0", "0", "0", "0", "0", "0", "0",
                                            "0", "0", "0", "0", "0", "0", "0"};

    // Page 5 "その他".
    std::array<bool, 6> purchaseBan{}; // 蒼龍 朱鳥 白虎 玄武 太陽 月 (CheckBox10-15)
    std::uint8_t formation = 0x00;     // ComboBox21, code
    std::uint8_t exclusiveWeapon = kNoItemCode; // ComboBox22, code
    std::uint8_t commander = 0x00;              // ComboBox23, code
    std::array<bool, 8> weaponCost{}; // 剣 大剣 斧 棍棒 小剣 槍 弓 体術 (CheckBox16-23)
    std::array<bool, 6> magicCost{};  // 蒼龍 朱鳥 白虎 玄武 太陽 月 (CheckBox24-29)
    int talkMusic = 0;                // ComboBox25, item index = music number

    // Page 6 "会話(初回)".
    std::string firstLine;     // Memo2
    std::string firstOk;       // Edit57
    std::string firstNg;       // Edit58
    std::string firstAfterOk;  // Memo3
    bool secondChoice = false; // CheckBox31
    std::string secondOk;      // Edit59
    std::string secondNg;      // Edit60
    std::string joinLine;      // Memo4
    int hpCondition = 0;       // 0 RadioButton7, 1 RadioButton8 (256), 2 RadioButton9 (512)
    std::string refuseLine;    // Memo5

    // Page 7 "会話(2回目以降)".
    std::string repeatLine;    // Memo6
    std::string repeatOk;      // Edit61
    std::string repeatNg;      // Edit62
    std::string repeatAfterOk; // Memo7
    std::string repeatAfterNg; // Memo8

    // Page 8 "ラストバトル".
    std::string lastBattleLine; // Memo9
};

// The captions of the conversation pages' texts, as the page labels its fields and `vnp info`
// names the pieces of a patch's conversation records.
inline constexpr const char* kTalkLineCaption = "相手のセリフ";              // Memo2, Memo6
inline constexpr const char* kTalkOkCaption = "選択肢OK";                    // Edit57, 59, 61
inline constexpr const char* kTalkNgCaption = "選択肢NG";                    // Edit58, 60, 62
inline constexpr const char* kTalkAfterOkCaption = "OK選択後の相手のセリフ"; // Memo3, Memo7
inline constexpr const char* kTalkAfterNgCaption = "NG選択後の相手のセリフ"; // Memo8
inline constexpr const char* kSecondChoiceCaption = "2回目の選択肢";         // CheckBox31
inline constexpr const char* kRefuseLineCaption = "仲間にならない時の相手のセリフ"; // Memo5
inline constexpr const char* kLastBattleLineCaption = "ラストバトル前のセリフ";     // Memo9

// The inner pages of the editor, in order.
enum CharacterPage : int {
    kStatusPage = 0,
    kLevelPage = 1,
    kEquipmentPage = 2,
    kSkillPage = 3,
    kGrowthPage = 4,
    kOtherPage = 5,
    kFirstTalkPage = 6,
    kRepeatTalkPage = 7,
    kLastBattlePage = 8,
};

// The integer a number field holds: its text as a decimal integer, 0 when it is not one.
// Fields are rewritten this way when the user leaves them.
int FieldNumber(const std::string& text);

// The derived columns of page 0: the bonuses of the selected guardian star and favourite
// weapon, each attribute's total, and the sum of the totals.
struct StatusTotals {
    std::array<int, 7> starBonus{};
    std::array<int, 7> weaponBonus{};
    std::array<int, 7> totals{};
    int grandTotal = 0;
};

StatusTotals RecomputeTotals(const CharacterForm& form);

} // namespace varn
