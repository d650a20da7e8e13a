#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <utility>

#include "CharpatchTestSupport.h"
#include "charpatch/ItemLists.h"
#include "text/Utf8.h"

namespace varn {
namespace {

using test::TwoHexDigits;


struct ListCase {
    const char* name;
    const ItemList& (*items)();
    std::size_t size;
    std::string firstLabel;
    bool coded; // labels begin with the code in brackets
};

void PrintTo(const ListCase& c, std::ostream* os)
{
    *os << c.name;
}

class ItemListTest : public testing::TestWithParam<ListCase> {};

TEST_P(ItemListTest, HasItsSizeFirstItemAndCodedLabels)
{
    const ListCase& c = GetParam();
    const ItemList& items = c.items();
    ASSERT_EQ(items.size(), c.size);
    EXPECT_EQ(items.front().label, c.firstLabel);
    std::set<std::uint8_t> codes;
    for (const ListItem& item : items) {
        EXPECT_TRUE(codes.insert(item.code).second) << "code " << TwoHexDigits(item.code) << " repeated";
        if (c.coded) {
            EXPECT_TRUE(item.label.starts_with("【" + TwoHexDigits(item.code) + "】")) << item.label;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ItemListTest,
    testing::Values(ListCase{"Gender", GenderItems, 4, "男", false},
                    ListCase{"GuardianStar", GuardianStarItems, 5, "歳星", false},
                    ListCase{"FavouriteWeapon", FavouriteWeaponItems, 9, "剣", false},
                    ListCase{"GrowthType", GrowthTypeItems, 8, "【00】戦士", true},
                    ListCase{"SparkType", SparkTypeItems, 16, "【00】太陽", true},
                    ListCase{"InitialMagic", InitialMagicItems, 5, "【00】蒼龍", true},
                    ListCase{"Weapon", WeaponItems, 90, "【FF】なし", true},
                    ListCase{"Armour", ArmourItems, 100, "【FF】なし", true},
                    ListCase{"Technique", TechniqueItems, 105, "【FF】なし", true},
                    ListCase{"Spell", SpellItems, 85, "【FF】なし", true},
                    ListCase{"Formation", FormationItems, 11, "【00】なし", true},
                    ListCase{"ExclusiveWeapon", ExclusiveWeaponItems, 16, "【FF】なし", true},
                    ListCase{"Commander", CommanderItems, 9, "【00】物理", true},
                    ListCase{"TalkMusic", TalkMusicItems, 255, "【00】変更しない", true},
                    ListCase{"CharacterTarget", CharacterTargetItems, 42, "【B0】場所B0", true}),
    [](const testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

// Items whose place in their list is fixed, with their labels.
TEST(ItemListsTest, FixedItemsSitAtTheirPlaces)
{
    struct Expected {
        const ItemList& items;
        std::size_t index;
        std::uint8_t code;
        const char* label;
    };
    const Expected cases[] = {
        {GenderItems(), 1, 0x55, "女"},
        {GenderItems(), 2, 0x1F, "無性"},
        {GenderItems(), 3, 0xDF, "両性"},
        {GuardianStarItems(), 4, 4, "辰星"},
        {FavouriteWeaponItems(), 7, 7, "素手"},
        {FavouriteWeaponItems(), 8, 8, "なし"},
        {GrowthTypeItems(), 7, 7, "【07】詩人"},
        {SparkTypeItems(), 9, 9, "【09】汎用1"},
        {SparkTypeItems(), 15, 15, "【0F】玄武"},
        {InitialMagicItems(), 2, 2, "【02】太陽(男)、月(女)"},
        {InitialMagicItems(), 4, 4, "【04】玄武"},
        {WeaponItems(), 1, 0x00, nullptr},
        {WeaponItems(), 8, 0x08, nullptr},
        {WeaponItems(), 89, 0x5F, nullptr},
        {ArmourItems(), 1, 0x60, nullptr},
        {ArmourItems(), 23, 0x77, nullptr},
        {ArmourItems(), 99, 0xDF, nullptr},
        {TechniqueItems(), 1, 0x0F, nullptr},
        {TechniqueItems(), 104, 0xA5, nullptr},
        {SpellItems(), 1, 0xAB, nullptr},
        {SpellItems(), 84, 0xD7, nullptr},
        {ExclusiveWeaponItems(), 4, 0x18, "【18】小剣(剣技可能)"},
        {ExclusiveWeaponItems(), 13, 0xA8, "【A8】槍(三椏)"},
        {ExclusiveWeaponItems(), 14, 0xB0, "【B0】弓"},
        {ExclusiveWeaponItems(), 15, 0xB8, nullptr},
        {CommanderItems(), 7, 7, "【07】物理と術"},
        {CommanderItems(), 8, 8, nullptr},
        {TalkMusicItems(), 1, 0x01, "【01】"},
        {TalkMusicItems(), 254, 0xFE, "【FE】"},
        {CharacterTargetItems(), 9, 0xB9, nullptr},
        {CharacterTargetItems(), 10, 0x08, nullptr},
        {CharacterTargetItems(), 28, 0x1A, nullptr},
        {CharacterTargetItems(), 29, 0x1C, nullptr},
        {CharacterTargetItems(), 33, 0x00, nullptr},
        {CharacterTargetItems(), 41, 0x1B, nullptr},
    };
    for (const Expected& c : cases) {
        ASSERT_LT(c.index, c.items.size());
        const ListItem& item = c.items[c.index];
        EXPECT_EQ(item.code, c.code) << "index " << c.index;
        if (c.label != nullptr) {
            EXPECT_EQ(item.label, c.label);
        }
    }
}

// The gaps in the code runs of the long lists are not items.
TEST(ItemListsTest, CodesOutsideTheRunsAreNotListed)
{
    const std::pair<const ItemList*, std::vector<std::uint8_t>> cases[] = {
        {&WeaponItems(), {0x07, 0x16, 0x38, 0x4C, 0x4F, 0x60}},
        {&ArmourItems(),
         {0x5F, 0x76, 0x78, 0x85, 0x89, 0x93, 0x94, 0xA7, 0xAC, 0xC2, 0xD7, 0xD8, 0xE0}},
        {&TechniqueItems(),
         {0x0E, 0x1E, 0x27, 0x34, 0x37, 0x44, 0x48, 0x54, 0x5C, 0x68, 0x6D, 0x7C, 0x81, 0x8F, 0x95,
          0xA6}},
        {&SpellItems(), {0x00, 0x2A, 0xA5, 0xAA, 0xB0, 0xD3, 0xFE}},
    };
    for (const auto& [items, absent] : cases) {
        for (const std::uint8_t code : absent) {
            EXPECT_EQ(ItemIndexOfCode(*items, code), 0) << "code " << TwoHexDigits(code) << " listed";
        }
    }
}

TEST(ItemListsTest, ItemIndexOfCodeFindsTheItemOrGivesTheFirst)
{
    EXPECT_EQ(ItemIndexOfCode(GenderItems(), 0xDF), 3);
    EXPECT_EQ(ItemIndexOfCode(GenderItems(), 0x00), 0);
    EXPECT_EQ(ItemIndexOfCode(WeaponItems(), 0x5F), 89);
    EXPECT_EQ(ItemIndexOfCode(WeaponItems(), 0xFF), 0);
    EXPECT_EQ(ItemIndexOfCode(ExclusiveWeaponItems(), 0x98), 11);
    EXPECT_EQ(ItemIndexOfCode(TalkMusicItems(), 0xFF), 0);
    EXPECT_EQ(ItemIndexOfCode(ItemList{}, 0x01), 0);
}

TEST(ItemListsTest, SpellsCarryTheirSchoolAsTheSixthCharacter)
{
    const std::pair<std::uint8_t, const char*> schools[] = {
        {0xAB, "蒼"}, {0xF1, "蒼"}, {0xB2, "朱"}, {0xE9, "朱"}, {0x44, "白"}, {0x7F, "白"},
        {0xC0, "玄"}, {0xF0, "玄"}, {0xDB, "太"}, {0x2B, "太"}, {0x34, "月"}, {0x2C, "月"},
        {0xD4, "特"}, {0xD7, "特"}, {0xFF, ""},   {0x00, ""},
    };
    for (const auto& [code, school] : schools) {
        EXPECT_EQ(SpellSchool(code), school) << TwoHexDigits(code);
    }
    // Every spell label reads "【XX】(school)name" with one of the seven schools.
    const std::set<std::u32string> names{U"蒼龍", U"朱鳥", U"白虎", U"玄武",
                                         U"太陽", U"月",   U"特殊"};
    const ItemList& spells = SpellItems();
    for (std::size_t i = 1; i < spells.size(); ++i) {
        const std::u32string label = Utf8ToU32(spells[i].label);
        ASSERT_GT(label.size(), 6u) << spells[i].label;
        EXPECT_EQ(label[4], U'(') << spells[i].label;
        const std::size_t close = label.find(U')');
        ASSERT_NE(close, std::u32string::npos) << spells[i].label;
        EXPECT_TRUE(names.contains(label.substr(5, close - 5))) << spells[i].label;
        EXPECT_EQ(U32ToUtf8(label.substr(5, 1)), SpellSchool(spells[i].code));
    }
}

// --- The label data file ------------------------------------------------------------------

// The entries of the data file, read here independently of the program's reader.
std::map<std::pair<std::string, std::uint8_t>, std::string> ReadLabelFile()
{
    std::ifstream in(VARN_ITEM_LABELS_FILE, std::ios::binary);
    EXPECT_TRUE(in) << VARN_ITEM_LABELS_FILE;
    std::map<std::pair<std::string, std::uint8_t>, std::string> entries;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line.front() == '#') {
            continue;
        }
        std::istringstream fields(line);
        std::string list;
        std::string code;
        std::string name;
        fields >> list >> code >> name;
        entries[{list, static_cast<std::uint8_t>(std::stoi(code, nullptr, 16))}] = name;
    }
    return entries;
}

TEST(ItemLabelDataTest, EveryNamedCodeTakesItsNameFromTheDataFile)
{
    const auto entries = ReadLabelFile();
    const auto nameOf = [&](const std::string& list, std::uint8_t code) -> std::string {
        const auto found = entries.find({list, code});
        EXPECT_NE(found, entries.end()) << list << " " << TwoHexDigits(code) << " is not in the file";
        return found == entries.end() ? "" : found->second;
    };
    std::size_t named = 0;
    const std::pair<const char*, const ItemList*> lists[] = {
        {"weapon", &WeaponItems()},
        {"armour", &ArmourItems()},
        {"technique", &TechniqueItems()},
    };
    for (const auto& [list, items] : lists) {
        for (std::size_t i = 1; i < items->size(); ++i) {
            const ListItem& item = (*items)[i];
            EXPECT_EQ(item.label, "【" + TwoHexDigits(item.code) + "】" + nameOf(list, item.code));
            ++named;
        }
    }
    for (std::size_t i = 1; i < SpellItems().size(); ++i) {
        const ListItem& item = SpellItems()[i];
        const std::string prefix = "【" + TwoHexDigits(item.code) + "】(";
        ASSERT_TRUE(item.label.starts_with(prefix)) << item.label;
        EXPECT_TRUE(item.label.ends_with(")" + nameOf("spell", item.code))) << item.label;
        ++named;
    }
    for (std::size_t i = 1; i < FormationItems().size(); ++i) {
        const ListItem& item = FormationItems()[i];
        EXPECT_EQ(item.label, "【" + TwoHexDigits(item.code) + "】" + nameOf("formation", item.code));
        ++named;
    }
    for (const ListItem& item : CharacterTargetItems()) {
        EXPECT_EQ(item.label, "【" + TwoHexDigits(item.code) + "】" + nameOf("target", item.code));
        ++named;
    }
    EXPECT_EQ(ExclusiveWeaponItems().back().label, "【B8】" + nameOf("exclusive", 0xB8));
    EXPECT_EQ(CommanderItems().back().label, "【08】" + nameOf("commander", 0x08));
    named += 2;
    // Nothing in the file is left unused: it names exactly the codes the lists hold.
    EXPECT_EQ(entries.size(), named);
}

TEST(ItemLabelDataTest, ShippedNamesAreTheNeutralPlaceholders)
{
    EXPECT_EQ(WeaponItems()[1].label, "【00】武器00");
    EXPECT_EQ(ArmourItems()[1].label, "【60】防具60");
    EXPECT_EQ(TechniqueItems()[1].label, "【0F】技0F");
    EXPECT_EQ(SpellItems()[1].label, "【AB】(蒼龍)術AB");
    EXPECT_EQ(SpellItems()[84].label, "【D7】(特殊)術D7");
    EXPECT_EQ(FormationItems()[1].label, "【01】陣形01");
    EXPECT_EQ(ExclusiveWeaponItems()[15].label, "【B8】大剣(固有)");
    EXPECT_EQ(CommanderItems()[8].label, "【08】人物08");
    EXPECT_EQ(CharacterTargetItems()[0].label, "【B0】場所B0");
    EXPECT_EQ(CharacterTargetItems()[10].label, "【08】人物08");
    EXPECT_EQ(CharacterTargetItems()[41].label, "【1B】人物1B");
}

} // namespace
} // namespace varn
