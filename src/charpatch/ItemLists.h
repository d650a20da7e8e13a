#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varn {

// The selection lists of the character editor and the patch list's character slots. Each item
// is a game code and the label the list shows, "【" + the code in two upper-case hexadecimal
// digits + "】" + a name, except the lists whose labels are plain words (gender, guardian star,
// favourite weapon). The codes and their order are the game's; the names of the game's items,
// techniques, spells, formations, characters and places come from the item label data compiled
// into the program.

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

// The index of the first item with `code`, or 0 when no item has it.
int ItemIndexOfCode(const ItemList& items, std::uint8_t code);

// The school of a spell, the first character inside the parentheses of its label ("蒼", "朱",
// "白", "玄", "太", "月" or "特"); empty for "none" or a code the list does not hold.
std::string SpellSchool(std::uint8_t code);

} // namespace varn
