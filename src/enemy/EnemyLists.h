#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "text/ExtensionTable.h"

namespace varn {

class RomStream;

// The selection lists of the enemy page. Each entry is the game value it stands for and the
// label the list shows ("【" + the value in upper-case hexadecimal + "】" + a name). The page
// fills one model per repeated list (the sixteen technique boxes share one, the two weapon
// boxes one, and so on) and keeps the item index of each box in EnemyForm.

struct EnemyListEntry {
    std::uint16_t number = 0; // the game value: enemy, item, pattern, technique or code
    std::string label;

    friend bool operator==(const EnemyListEntry&, const EnemyListEntry&) = default;
};

using EnemyList = std::vector<EnemyListEntry>;

// --- Fixed lists ---------------------------------------------------------------------------
// Built from the enemy labels in use (EnemyLabels.h) on each call.

// ComboBox61 "回復地相": 【0】無し … 【6】月 and 【7】 with the seventh element; index = code.
EnemyList RecoveryElementItems();
// ComboBox62 "種族": 32 items, code 00 to 1F; index = code.
EnemyList RaceItems();
// ComboBox63 "パターン選択": 21 items, index 0-19 is code 0x00-0x13, index 20 code 0x1F.
EnemyList PatternChoiceItems();
// ComboBox64 "技選択": 8 items, index = bits 5-7 of record byte 3 (number = the byte value).
EnemyList TechniqueChoiceItems();
// ComboBox32 and ComboBox33: the box width ("32" … "128") and height ("32" … "160") in units
// of 32 pixels; index + 1 is the code.
EnemyList BoxWidthItems();
EnemyList BoxHeightItems();
// ComboBox34 and ComboBox35: "0" "8" … "152" and one empty item; index = offset / 8.
EnemyList OffsetItems();
// ComboBox36 "登場パターン": 21 items, codes 0x00-0x14; index = code.
EnemyList AppearanceItems();

// The caption of the money box Edit94: the game's currency.
std::string CurrencyName();
// The seventh recovery element, also the caption of CheckBox53.
std::string SeventhElementName();
// The captions of CheckBox47 to CheckBox53: 蒼竜 朱鳥 白虎 玄武 太陽 月 and the seventh element.
std::vector<std::string> RecoveryBoxCaptions();

// The pattern choice code of a ComboBox63 index and back: codes 0x14 and above show as
// "【1F】常に何もしない" (index 20).
inline constexpr int kPatternChoiceItemCount = 21;
constexpr int PatternChoiceIndex(int code)
{
    return code >= kPatternChoiceItemCount - 1 ? kPatternChoiceItemCount - 1 : code;
}
constexpr std::uint8_t PatternChoiceCode(int index)
{
    return static_cast<std::uint8_t>(index == kPatternChoiceItemCount - 1 ? 0x1F : index);
}

// --- Lists read from the image ----------------------------------------------------------------

// What LoadEnemyLists builds for one opened image. Numbers in the labels are upper-case
// hexadecimal; names are the image's game text, decoded over the whole field (a field that
// does not decode, or lies past the end of the image, gives an empty name).
//
// An image larger than 4 MiB is expanded: it offers the enemies 0x140-0x1FF, the graphic
// numbers 0x100-0x1FF, the patterns 0x100-0x1FF and the two-attack list. The tables above
// 4 MiB that every image uses (item names 0x100 on, technique names 0x100 on) are absent from
// an image of 4 MiB or less, and so are the entries they would name: the equipment lists
// hold only the items below 0x100, the technique and drop lists only 0x000-0x0FF.
struct EnemyLists {
    bool expanded = false;
    EnemyList enemies;        // ComboBox30: index = enemy number; 320 or 512
    EnemyList graphicNumbers; // ComboBox31: index = graphic number - 0x73; 141 or 397
    EnemyList weapons;        // ComboBox37, ComboBox38: 【00FF】無し, 0x08-0x4F, 0x108-0x14F
    EnemyList shields;        // ComboBox39: 【00FF】無し, 0x50-0x5F, 0x150-0x15F
    EnemyList armours;        // ComboBox40, ComboBox41: 【00FF】無し, 0x60-0xDF, 0x160-0x1DF
    EnemyList patterns;       // ComboBox42, ComboBox51: index = pattern; 256 or 512
    EnemyList techniques;     // ComboBox43-50, ComboBox52-59: index = technique; 512 or 256
    EnemyList dropItems;      // ComboBox66-69: index = item 0x000-0x1FC; 509 or 256
    EnemyList twoAttack;      // ComboBox65: 【FF】無し, then one entry per slot 0-126
    bool twoAttackEnabled = false; // ComboBox65 is disabled on an image that is not expanded
};

// Builds every list of the page from the image (nothing is written). Reads each table in one
// piece; nothing is read past the end of the image.
EnemyLists LoadEnemyLists(RomStream& image,
                          const ExtensionTable& extensions = ProcessExtensionTable());

// The label of a two-attack slot holding `value`, as LoadEnemyLists builds it: "【" + the slot
// in 2 digits + "】" + "【" + the enemy in 4 digits + "】" + its name, or "空き" for a value
// above 0x1FF.
std::string TwoAttackLabel(int slot, std::uint16_t value, const std::string& enemyName);

// --- Index rules of the equipment lists -----------------------------------------------------

enum class EquipmentKind { Weapon, Shield, Armour };

// The list of an equipment slot (kWeapon1Slot … kArmour2Slot of EnemyRecord.h).
EquipmentKind EquipmentKindOf(int slot);

// The entry of an equipment list a record byte and its high bit lead to: 0 for 0xFF, else
// (b - 0x07) + 72·h for weapons, (b - 0x4F) + 16·h for the shield, (b - 0x5F) + 128·h for
// armour. -1 when that is no entry of the list: below entry 1 (entry 0 stands for 0xFF only)
// or past the list's end (the expansion's items exist only in an expanded image).
int EquipmentEntryIndex(EquipmentKind kind, std::uint8_t low, bool high, bool expanded);

// The item number of an entry (0x00FF for entry 0), the reverse of EquipmentEntryIndex; -1 for
// an index the list does not hold.
int EquipmentItemNumber(EquipmentKind kind, int index, bool expanded);

// The item code an equipment slot shows for a record byte and its high bit: the item number of
// the entry the index rule leads to, or, when it leads to none, the stored value itself
// (0x100·h + b), which the list then shows as an entry of its own so that applying the enemy
// unchanged writes the byte and its high bit back as they were.
int EquipmentCode(EquipmentKind kind, std::uint8_t low, bool high, bool expanded);

// The label of a code a list does not hold: "【" + the code in 4 digits + "】" + a note that
// it is not a known item.
inline constexpr const char* kUnknownItemName = "不明なアイテム";
std::string UnknownItemLabel(int code);

// The index of the first entry of `list` with the code, or -1 when it has none (and for -1,
// a box showing nothing).
int EnemyListIndexOf(const EnemyList& list, int code);

// The index at which `list` shows the code: its first entry with that code, else a new entry
// of its own appended to the list (UnknownItemLabel). -1 stays -1 (a box showing nothing).
int ShowCodeInList(EnemyList& list, int code);

// How many entries the equipment list of `kind` holds.
int EquipmentListSize(EquipmentKind kind, bool expanded);

// How many entries each list holds for an image that is or is not expanded.
int EnemyListSize(bool expanded);        // 512 or 320
int GraphicNumberListSize(bool expanded); // 397 or 141
int PatternListSize(bool expanded);      // 512 or 256
int TechniqueListSize(bool expanded);    // 512 or 256
int DropItemListSize(bool expanded);     // 509 or 256
int TwoAttackListSize(bool expanded);    // 128 or 1

} // namespace varn
