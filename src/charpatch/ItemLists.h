#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rom/Result.h"

namespace varn {

// The selection lists of the character editor and the patch list's character slots. Each item
// is a game code and the label the list shows, "【" + the code in two upper-case hexadecimal
// digits + "】" + a name, except the lists whose labels are plain words (gender, guardian star,
// favourite weapon). The codes and their order are the game's; the names of the game's items,
// techniques, spells, formations, characters and places come from the item label file: the
// copy compiled into the program (data/item_labels.txt), or one the user supplies in its place
// (InstallItemLabels).
//
// A list function returns a reference that stays valid for the rest of the process. The lists
// that carry names are rebuilt by InstallItemLabels: a reference taken before still shows the
// names it was taken with, so callers that show the names take the list after the labels are
// installed (the programs install them at start-up, before any list is used).

struct ListItem {
    std::uint8_t code;
    std::string label;
};

using ItemList = std::vector<ListItem>;

// The code that stands for "none" in the equipment, technique and spell lists.
inline constexpr std::uint8_t kNoItemCode = 0xFF;

const ItemList& GenderItems();          // 男 0x95, 女 0x55, 無性 0x1F, 両性 0xDF
const ItemList& GuardianStarItems();    // 歳星 … 辰星, codes 0-4
const ItemList& FavouriteWeaponItems(); // 剣 … なし, codes 0-8
const ItemList& GrowthTypeItems();      // 【00】戦士 … 【07】詩人
const ItemList& SparkTypeItems();       // 【00】太陽 … 【0F】玄武
const ItemList& InitialMagicItems();    // 【00】蒼龍 … 【04】玄武
const ItemList& WeaponItems();          // 90 items, 【FF】なし first
const ItemList& ArmourItems();          // 100 items, 【FF】なし first
const ItemList& TechniqueItems();       // 105 items, 【FF】なし first
const ItemList& SpellItems();     // 85 items, 【FF】なし first; label 【XX】(school)name
const ItemList& FormationItems(); // 【00】なし, then 01-0A
const ItemList& ExclusiveWeaponItems(); // 【FF】なし, 【00】剣 … 【B8】
const ItemList& CommanderItems();       // 【00】物理 … 【08】
const ItemList& TalkMusicItems();       // 【00】変更しない, then 【01】 to 【FE】

// The character slots a patch can replace, in the patch list's order (kCharacterPatchTargets):
// 【B0】 to 【B9】 named by the place the additional slot belongs to, then the game's
// characters.
const ItemList& CharacterTargetItems();

// The characters whose sprite sheets the page "キャラグラフィック" always lists, in its order
// (kCharacterSheetCodes: 00 to 07, 1B, 08 to 1A, 1C to 1F), named as the character slots are.
const ItemList& CharacterSheetItems();

// --- The item label file ---------------------------------------------------------------

// The names of the coded items, by list keyword and code ("weapon", 0x00 → "武器00").
struct ItemLabels {
    std::map<std::pair<std::string, std::uint8_t>, std::string> names;
};

// The list keywords of the item label file, in the order the file gives them: weapon, armour,
// technique, spell, formation, exclusive (the exclusive weapon B8), commander (the commander
// 08) and target (the character slots a patch can replace).
std::span<const std::string_view> ItemLabelListNames();

// The codes the list `list` names, in list order; empty for a keyword that is not a list.
std::vector<std::uint8_t> ItemLabelCodes(std::string_view list);

// Reads the text of an item label file (UTF-8; a byte-order mark is dropped): one entry a
// line, "<list> <code> <name>", the code in two hexadecimal digits, the name the rest of the
// line; lines that begin with "#" and blank lines are ignored. Every code of every list must
// be named exactly once. Fails on the first problem with "<line>行目: <what is wrong>" (a
// line that is not an entry, an unknown list or code, a code named twice, bytes that are not a
// character); a code no line names is reported at the line of the entry before it in its list.
Result<ItemLabels> ParseItemLabels(std::string_view utf8);

// The names compiled into the program.
const ItemLabels& BuiltInItemLabels();

// Makes `labels` the names of the lists for the rest of the process: the named lists
// (weapons, armours, techniques, spells, formations, the exclusive weapon, the commander,
// the character slots and the characters of the graphics page) are rebuilt and SpellSchool
// reads them. Refuses, keeping the names in
// use, labels that do not name every code of every list exactly once. Lists built before stay
// in memory, so references taken from them never dangle.
Status InstallItemLabels(const ItemLabels& labels);

// Puts the built-in names back in use.
void UseBuiltInItemLabels();

// The index of the first item with `code`, or 0 when no item has it.
int ItemIndexOfCode(const ItemList& items, std::uint8_t code);

// The school of a spell, the first character inside the parentheses of its label ("蒼", "朱",
// "白", "玄", "太", "月" or "特"); empty for "none" or a code the list does not hold.
std::string SpellSchool(std::uint8_t code);

} // namespace varn
