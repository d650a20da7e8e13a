#include <gtest/gtest.h>

#include "EnemyTestSupport.h"
#include "enemy/EnemyLabels.h"
#include "enemy/EnemyLists.h"
#include "enemy/EnemyRecord.h"
#include "enemy/EnemyTables.h"
#include "rom/HexText.h"
#include "rom/RomStream.h"

namespace varn {
namespace {

using test::Bytes;
using test::GameText;
using test::Put;
using test::RomImageBuilder;

// An image with names where the tests look, the rest the builder's pattern.
Bytes NamedImage(std::size_t size)
{
    Bytes image = test::EnemyImage(size);
    Put(image, EnemyNameOffset(0x000), GameText("スライム", 8));
    Put(image, EnemyNameOffset(0x13F), GameText("ゴブリン", 8));
    if (size > 0x5A2D00 + 12 * 0xC0) {
        Put(image, EnemyNameOffset(0x140), GameText("ドラゴンベビ", 12));
        Put(image, EnemyNameOffset(0x145), GameText("ワイバン", 12));
        Put(image, ItemNameOffset(0x108), GameText("ツルギ", 12));
        Put(image, ItemNameOffset(0x150), GameText("オオタテ", 12));
        Put(image, ItemNameOffset(0x1FC), GameText("ヤクソウ", 12));
        Put(image, EnemyTechniqueNameOffset(0x1FF), GameText("メテオ", 10));
        for (int slot = 0; slot < kTwoAttackSlotCount; ++slot)
            Put(image, TwoAttackSlotOffset(slot), Bytes{0xFF, 0xFF});
        Put(image, TwoAttackSlotOffset(3), Bytes{0x45, 0x01});
        Put(image, TwoAttackSlotOffset(4), Bytes{0x3F, 0x01});
        Put(image, TwoAttackSlotOffset(5), Bytes{0x00, 0x02});
    }
    Put(image, ItemNameOffset(0x08), GameText("ナイフ", 8));
    Put(image, ItemNameOffset(0x50), GameText("コタテ", 8));
    Put(image, ItemNameOffset(0xDF), GameText("コロモ", 8));
    Put(image, EnemyTechniqueNameOffset(0x00), GameText("キック", 10));
    // A name that does not decode: a lead byte at the end of the field.
    Put(image, EnemyNameOffset(0x001), Bytes{0x51, 0x50, 0x50, 0x50, 0x50, 0x50, 0x50, 0x20});
    return image;
}

EnemyLists ListsOf(const Bytes& image)
{
    MemoryRomStream stream(image, false);
    return LoadEnemyLists(stream);
}

TEST(EnemyListsTest, AnExpandedImageOffersTheExpansionsEntries)
{
    struct Case {
        std::size_t size;
        bool expanded;
        std::size_t enemies, graphics, weapons, shields, armours, patterns, techniques, drops,
            twoAttack;
    };
    const Case cases[] = {
        {RomImageBuilder::kPlainSize, false, 320, 141, 73, 17, 129, 256, 256, 256, 1},
        {RomImageBuilder::kPlainSize + 1, true, 512, 397, 145, 33, 257, 512, 512, 509, 128},
        {RomImageBuilder::kExpandedSize, true, 512, 397, 145, 33, 257, 512, 512, 509, 128},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        const EnemyLists lists = ListsOf(NamedImage(c.size));
        EXPECT_EQ(lists.expanded, c.expanded);
        EXPECT_EQ(lists.enemies.size(), c.enemies);
        EXPECT_EQ(lists.graphicNumbers.size(), c.graphics);
        EXPECT_EQ(lists.weapons.size(), c.weapons);
        EXPECT_EQ(lists.shields.size(), c.shields);
        EXPECT_EQ(lists.armours.size(), c.armours);
        EXPECT_EQ(lists.patterns.size(), c.patterns);
        EXPECT_EQ(lists.techniques.size(), c.techniques);
        EXPECT_EQ(lists.dropItems.size(), c.drops);
        EXPECT_EQ(lists.twoAttack.size(), c.twoAttack);
        EXPECT_EQ(lists.twoAttackEnabled, c.expanded);
        EXPECT_EQ(lists.twoAttack.front().label, "【FF】無し");
        // The sizes the checks of the apply use are the lists' own.
        EXPECT_EQ(static_cast<std::size_t>(EnemyListSize(c.expanded)), c.enemies);
        EXPECT_EQ(static_cast<std::size_t>(GraphicNumberListSize(c.expanded)), c.graphics);
        EXPECT_EQ(static_cast<std::size_t>(PatternListSize(c.expanded)), c.patterns);
        EXPECT_EQ(static_cast<std::size_t>(TechniqueListSize(c.expanded)), c.techniques);
        EXPECT_EQ(static_cast<std::size_t>(DropItemListSize(c.expanded)), c.drops);
        EXPECT_EQ(static_cast<std::size_t>(TwoAttackListSize(c.expanded)), c.twoAttack);
        EXPECT_EQ(static_cast<std::size_t>(EquipmentListSize(EquipmentKind::Weapon, c.expanded)),
                  c.weapons);
        EXPECT_EQ(static_cast<std::size_t>(EquipmentListSize(EquipmentKind::Shield, c.expanded)),
                  c.shields);
        EXPECT_EQ(static_cast<std::size_t>(EquipmentListSize(EquipmentKind::Armour, c.expanded)),
                  c.armours);
    }
}

TEST(EnemyListsTest, LabelsShowTheNumbersAndTheImagesNames)
{
    const EnemyLists lists = ListsOf(NamedImage(RomImageBuilder::kExpandedSize));
    EXPECT_EQ(lists.enemies[0x000].label, "【0000】スライム");
    EXPECT_EQ(lists.enemies[0x001].label, "【0001】"); // does not decode
    EXPECT_EQ(lists.enemies[0x13F].label, "【013F】ゴブリン");
    EXPECT_EQ(lists.enemies[0x140].label, "【0140】ドラゴンベビ");
    EXPECT_EQ(lists.enemies[0x1FF].number, 0x1FF);
    EXPECT_EQ(lists.graphicNumbers.front().label, "【0073】");
    EXPECT_EQ(lists.graphicNumbers.back().label, "【01FF】");
    EXPECT_EQ(lists.weapons[0].label, "【00FF】無し");
    EXPECT_EQ(lists.weapons[1].label, "【0008】ナイフ");
    EXPECT_EQ(lists.weapons[73].label, "【0108】ツルギ");
    EXPECT_EQ(lists.shields[1].label, "【0050】コタテ");
    EXPECT_EQ(lists.shields[17].label, "【0150】オオタテ");
    EXPECT_EQ(lists.armours[128].label, "【00DF】コロモ");
    EXPECT_EQ(lists.armours[256].number, 0x1DF);
    EXPECT_EQ(lists.patterns[0x105].label, "【0105】行動パターン0105");
    EXPECT_EQ(lists.techniques[0x000].label, "【000】キック");
    EXPECT_EQ(lists.techniques[0x1FF].label, "【1FF】メテオ");
    EXPECT_EQ(lists.dropItems[0x008].label, "【0008】ナイフ");
    EXPECT_EQ(lists.dropItems[0x0FD].label, "【00FD】装備武器1");
    EXPECT_EQ(lists.dropItems[0x0FE].label, "【00FE】装備武器2");
    EXPECT_EQ(lists.dropItems[0x0FF].label, "【00FF】無し");
    EXPECT_EQ(lists.dropItems[0x1FC].label, "【01FC】ヤクソウ");
    // Slots 3-5: an enemy of the expansion, one of the game, an empty slot.
    EXPECT_EQ(lists.twoAttack[4].label, "【03】【0145】ワイバン");
    EXPECT_EQ(lists.twoAttack[5].label, "【04】【013F】ゴブリン");
    EXPECT_EQ(lists.twoAttack[6].label, "【05】空き");
    EXPECT_EQ(lists.twoAttack[127].label, "【7E】空き");
    EXPECT_EQ(TwoAttackLabel(0x7E, 0x0000, "スライム"), "【7E】【0000】スライム");
}

TEST(EnemyListsTest, EveryEntryOfAListIsTheNumberItsLabelShows)
{
    const EnemyLists lists = ListsOf(NamedImage(RomImageBuilder::kExpandedSize));
    const auto check = [](const EnemyList& list, int firstNumber) {
        for (std::size_t i = 0; i < list.size(); ++i)
            ASSERT_EQ(list[i].number, firstNumber + static_cast<int>(i)) << list[i].label;
    };
    check(lists.enemies, 0);
    check(lists.graphicNumbers, 0x73);
    check(lists.patterns, 0);
    check(lists.techniques, 0);
    check(lists.dropItems, 0);
    for (const EnemyList* list : {&lists.weapons, &lists.shields, &lists.armours}) {
        for (const EnemyListEntry& entry : *list)
            EXPECT_EQ(entry.label.substr(0, 10), "【" + HexDigits(entry.number, 4) + "】");
    }
}

// The entry for a record byte b with high bit h: (b - 0x07) + 72·h for weapons,
// (b - 0x4F) + 16·h for the shield, (b - 0x5F) + 128·h for armour, 0 for 0xFF.
TEST(EnemyListsTest, EquipmentEntriesFollowTheIndexRuleBothWays)
{
    struct Case {
        EquipmentKind kind;
        std::uint8_t low;
        bool high;
        int index; // -1: no entry of the list
        int code;  // what the slot shows and an apply writes back
    };
    const Case cases[] = {
        {EquipmentKind::Weapon, 0xFF, false, 0, 0x0FF},
        {EquipmentKind::Weapon, 0x08, false, 1, 0x008},
        {EquipmentKind::Weapon, 0x08, true, 73, 0x108},
        {EquipmentKind::Weapon, 0x4F, false, 72, 0x04F},
        {EquipmentKind::Weapon, 0x4F, true, 144, 0x14F},
        {EquipmentKind::Shield, 0x50, false, 1, 0x050},
        {EquipmentKind::Shield, 0x50, true, 17, 0x150},
        {EquipmentKind::Shield, 0x5F, true, 32, 0x15F},
        {EquipmentKind::Armour, 0x60, false, 1, 0x060},
        {EquipmentKind::Armour, 0xDF, false, 128, 0x0DF},
        {EquipmentKind::Armour, 0x60, true, 129, 0x160},
        {EquipmentKind::Armour, 0xDF, true, 256, 0x1DF},
        // The rule as it stands leads bytes outside a kind's own range to entries of the list:
        // the entry's item is what an apply writes.
        {EquipmentKind::Weapon, 0x50, false, 73, 0x108},
        {EquipmentKind::Weapon, 0x00, true, 65, 0x048},
        {EquipmentKind::Shield, 0x60, false, 17, 0x150},
        {EquipmentKind::Shield, 0x4F, true, 16, 0x05F},
        {EquipmentKind::Armour, 0xE0, false, 129, 0x160},
        {EquipmentKind::Armour, 0x0E, true, 47, 0x08E},
        {EquipmentKind::Armour, 0xFF, true, 0, 0x0FF},
        // Bytes that lead to no entry keep their own code (entry 0 stands for 0xFF only).
        {EquipmentKind::Weapon, 0x00, false, -1, 0x000},
        {EquipmentKind::Weapon, 0x05, false, -1, 0x005},
        {EquipmentKind::Weapon, 0x07, false, -1, 0x007},
        {EquipmentKind::Weapon, 0x98, false, -1, 0x098},
        {EquipmentKind::Weapon, 0x50, true, -1, 0x150},
        {EquipmentKind::Shield, 0x4F, false, -1, 0x04F},
        {EquipmentKind::Shield, 0x70, false, -1, 0x070},
        {EquipmentKind::Shield, 0x60, true, -1, 0x160},
        {EquipmentKind::Armour, 0x5F, false, -1, 0x05F},
        {EquipmentKind::Armour, 0xE0, true, -1, 0x1E0},
    };
    const EnemyLists lists = ListsOf(NamedImage(RomImageBuilder::kExpandedSize));
    const auto listOf = [&](EquipmentKind kind) -> const EnemyList& {
        return kind == EquipmentKind::Weapon   ? lists.weapons
               : kind == EquipmentKind::Shield ? lists.shields
                                               : lists.armours;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << HexDigits(c.low, 2) << " high " << c.high);
        EXPECT_EQ(EquipmentEntryIndex(c.kind, c.low, c.high, true), c.index);
        EXPECT_EQ(EquipmentCode(c.kind, c.low, c.high, true), c.code);
        const EnemyList& list = listOf(c.kind);
        if (c.index >= 0) {
            EXPECT_EQ(list[static_cast<std::size_t>(c.index)].number, c.code);
            EXPECT_EQ(EquipmentItemNumber(c.kind, c.index, true), c.code);
            EXPECT_EQ(EnemyListIndexOf(list, c.code), c.index);
        } else {
            EXPECT_EQ(EnemyListIndexOf(list, c.code), -1);
        }
    }
    // Every entry maps back to itself.
    for (const EquipmentKind kind :
         {EquipmentKind::Weapon, EquipmentKind::Shield, EquipmentKind::Armour}) {
        const EnemyList& list = listOf(kind);
        for (int index = 0; index < static_cast<int>(list.size()); ++index) {
            const int number = EquipmentItemNumber(kind, index, true);
            ASSERT_EQ(number, list[static_cast<std::size_t>(index)].number);
            ASSERT_EQ(EquipmentEntryIndex(kind, static_cast<std::uint8_t>(number),
                                          (number & 0x100) != 0, true),
                      index);
        }
        EXPECT_EQ(EquipmentItemNumber(kind, static_cast<int>(list.size()), true), -1);
        EXPECT_EQ(EquipmentItemNumber(kind, -1, true), -1);
    }
    // Without the expansion's items the entries stop at 0xFF: a high bit leads past the end.
    EXPECT_EQ(EquipmentEntryIndex(EquipmentKind::Weapon, 0x08, true, false), -1);
    EXPECT_EQ(EquipmentCode(EquipmentKind::Weapon, 0x08, true, false), 0x108);
    EXPECT_EQ(EquipmentItemNumber(EquipmentKind::Weapon, 72, false), 0x4F);
    EXPECT_EQ(EquipmentItemNumber(EquipmentKind::Weapon, 73, false), -1);
    EXPECT_EQ(EquipmentKindOf(kWeapon2Slot), EquipmentKind::Weapon);
    EXPECT_EQ(EquipmentKindOf(kShieldSlot), EquipmentKind::Shield);
    EXPECT_EQ(EquipmentKindOf(kArmour2Slot), EquipmentKind::Armour);
}

// A code a list lacks is shown as an entry of its own, once.
TEST(EnemyListsTest, ACodeTheListLacksGetsAnEntryOfItsOwn)
{
    EnemyLists lists = ListsOf(NamedImage(RomImageBuilder::kExpandedSize));
    const std::size_t size = lists.weapons.size();
    EXPECT_EQ(ShowCodeInList(lists.weapons, 0x108), 73);
    EXPECT_EQ(ShowCodeInList(lists.weapons, -1), -1);
    EXPECT_EQ(lists.weapons.size(), size);
    EXPECT_EQ(ShowCodeInList(lists.weapons, 0x005), static_cast<int>(size));
    EXPECT_EQ(ShowCodeInList(lists.weapons, 0x005), static_cast<int>(size));
    ASSERT_EQ(lists.weapons.size(), size + 1);
    EXPECT_EQ(lists.weapons.back(), (EnemyListEntry{0x005, "【0005】不明なアイテム"}));
    EXPECT_EQ(ShowCodeInList(lists.dropItems, 0xFFFF), 509);
    EXPECT_EQ(lists.dropItems.back().label, "【FFFF】不明なアイテム");
}

// On an image of 4 MiB or less nothing above 4 MiB is read; an image cut inside a table gives
// empty names for the entries past its end.
TEST(EnemyListsTest, NothingIsReadPastTheEndOfTheImage)
{
    const Bytes plain = NamedImage(RomImageBuilder::kPlainSize);
    const EnemyLists lists = ListsOf(plain);
    EXPECT_EQ(lists.weapons.back().number, 0x4F);
    EXPECT_EQ(lists.dropItems.back().label, "【00FF】無し");
    EXPECT_EQ(lists.techniques.back().number, 0xFF);

    // Cut in the middle of the game's enemy names.
    Bytes cut = NamedImage(RomImageBuilder::kPlainSize);
    cut.resize(EnemyNameOffset(0x13F) + 4);
    const EnemyLists cutLists = ListsOf(cut);
    EXPECT_EQ(cutLists.enemies.size(), 320u);
    EXPECT_EQ(cutLists.enemies[0].label, "【0000】スライム");
    EXPECT_EQ(cutLists.enemies[0x13F].label, "【013F】");
    EXPECT_EQ(cutLists.techniques[0].label, "【000】");

    // An expanded image cut inside the two-attack list: the slots past its end are empty, and
    // an enemy whose name lies past the end has an empty name.
    Bytes expandedCut = NamedImage(RomImageBuilder::kExpandedSize);
    Put(expandedCut, TwoAttackSlotOffset(0), Bytes{0x45, 0x01});
    expandedCut.resize(kTwoAttackList + 7);
    const EnemyLists expandedLists = ListsOf(expandedCut);
    EXPECT_EQ(expandedLists.twoAttack.size(), 128u);
    EXPECT_EQ(expandedLists.twoAttack[1].label, "【00】【0145】");
    EXPECT_EQ(expandedLists.twoAttack[4].label, "【03】空き");
    EXPECT_EQ(expandedLists.enemies[0x140].label, "【0140】");
}

TEST(EnemyListsTest, FixedListsHoldTheirItemsWithTheGamesNamesFromTheLabels)
{
    const EnemyList races = RaceItems();
    ASSERT_EQ(races.size(), 32u);
    EXPECT_EQ(races[0x00].label, "【00】その他");
    EXPECT_EQ(races[0x04].label, "【04】爬虫類・ドラゴン");
    EXPECT_EQ(races[0x0C].label, "【0C】種族0C");
    EXPECT_EQ(races[0x10].label, "【10】");
    EXPECT_EQ(races[0x12].label, "【12】地精");
    EXPECT_EQ(races[0x13].label, "【13】種族13");
    EXPECT_EQ(races[0x1F].label, "【1F】");

    const EnemyList elements = RecoveryElementItems();
    ASSERT_EQ(elements.size(), 8u);
    EXPECT_EQ(elements[0].label, "【0】無し");
    EXPECT_EQ(elements[1].label, "【1】蒼竜");
    EXPECT_EQ(elements[6].label, "【6】月");
    EXPECT_EQ(elements[7].label, "【7】地相7");
    EXPECT_EQ(RecoveryBoxCaptions(),
              (std::vector<std::string>{"蒼竜", "朱鳥", "白虎", "玄武", "太陽", "月", "地相7"}));
    EXPECT_EQ(CurrencyName(), "通貨");
    EXPECT_EQ(SeventhElementName(), "地相7");

    const EnemyList choices = PatternChoiceItems();
    ASSERT_EQ(choices.size(), 21u);
    EXPECT_EQ(choices[0].label, "【00】7/8でパターン1");
    EXPECT_EQ(choices[8].label, "【08】最初にパターン2の技6～8");
    EXPECT_EQ(choices[19].label, "【13】パターン2の技5～8");
    EXPECT_EQ(choices[20].label, "【1F】常に何もしない");
    for (int code = 0; code <= 0x1F; ++code) {
        const int index = PatternChoiceIndex(code);
        EXPECT_EQ(index, code < 20 ? code : 20) << code;
        EXPECT_EQ(choices[static_cast<std::size_t>(index)].number, code < 20 ? code : 0x1F);
        EXPECT_EQ(PatternChoiceCode(index), choices[static_cast<std::size_t>(index)].number);
    }

    const EnemyList techniqueChoices = TechniqueChoiceItems();
    ASSERT_EQ(techniqueChoices.size(), 8u);
    EXPECT_EQ(techniqueChoices[0].label, "【00】技1のみ使用");
    EXPECT_EQ(techniqueChoices[5].label, "【A0】技6まで使用");
    EXPECT_EQ(techniqueChoices[7].label, "【E0】全ての技を使用");

    const EnemyList appearances = AppearanceItems();
    ASSERT_EQ(appearances.size(), 21u);
    EXPECT_EQ(appearances[0x0A].label, "【0A】バグ");
    EXPECT_EQ(appearances[0x0B].label, "【0B】ボス0B");
    EXPECT_EQ(appearances[0x0E].label, "【0E】ボス0E");
    EXPECT_EQ(appearances[0x0F].label, "【0F】跳ね回る");
    EXPECT_EQ(appearances[0x14].label, "【14】左から出て1回ジャンプ");

    const EnemyList offsets = OffsetItems();
    ASSERT_EQ(offsets.size(), 21u);
    EXPECT_EQ(offsets[0].label, "0");
    EXPECT_EQ(offsets[19].label, "152");
    EXPECT_EQ(offsets[20].label, "");
    ASSERT_EQ(BoxWidthItems().size(), 4u);
    EXPECT_EQ(BoxWidthItems()[3].label, "128");
    ASSERT_EQ(BoxHeightItems().size(), 5u);
    EXPECT_EQ(BoxHeightItems()[4].label, "160");
}

} // namespace
} // namespace varn
