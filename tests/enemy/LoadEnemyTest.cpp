#include <gtest/gtest.h>

#include "EnemyTestSupport.h"
#include "enemy/EnemyLists.h"
#include "enemy/EnemyTables.h"
#include "enemy/LoadEnemy.h"
#include "rom/RomStream.h"

namespace varn {
namespace {

using test::Bytes;
using test::GameText;
using test::Put;
using test::RomImageBuilder;

ArmourData Armour(std::uint8_t physical, std::uint8_t resistances)
{
    return {physical, 0x00, 0, 0, resistances, 0, 0, 0, 0};
}

// An image with enemy 0x13F of the game and enemy 0x145 of the expansion set up with known
// records, patterns, armours, drops and two-attack slots.
class LoadEnemyTest : public testing::Test {
protected:
    void SetUp() override { image_ = Image(RomImageBuilder::kExpandedSize); }

    static Bytes Image(std::size_t size)
    {
        Bytes image = test::EnemyImage(size);
        const bool expanded = size > 0x5B5DC0;

        // Enemy 0x13F: HP 4660, pattern choice 0x17 (shown as 1F), weapon 1 0x08 with its
        // high bit, shield 0x50 with its high bit, armour 1 0x60, armour 2 0x61 of the
        // expansion, pattern 1 0x120 and pattern 2 0x010.
        EnemyRecordBytes record = SerializeEnemyRecord(test::SampleRecord());
        record[2] = 0x80;
        record[3] = 0x17 | 0xA0;
        record[4] = 0x34;
        record[5] = 0x12;
        record[17] = 0x20;
        record[18] = 0x10;
        record[19] = 0x08;
        record[20] = 0xFF;
        record[21] = 0x50;
        record[22] = 0x60;
        record[23] = 0x61;
        record[24] = 0x80;
        Put(image, EnemyRecordOffset(0x13F), record);
        Put(image, EnemyNameOffset(0x13F), GameText("ゴブリン", 8));
        Put(image, ArmourDataOffset(0x60), Armour(100, 0x01));
        Put(image, ArmourDataOffset(0x61), Armour(0, 0x00));

        // Base pattern 0x010: techniques 0x10-0x17; the high bits make 2 and 8 of the expansion.
        Put(image, ActionPatternOffset(0x010), Bytes{0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17});
        if (expanded) {
            Put(image, EquipmentHighBitsOffset(0x13F), Bytes{0x80 | 0x20 | 0x04});
            Put(image, ArmourDataOffset(0x161), Armour(100, 0x80));
            Put(image, TechniqueHighBitsOffset(0x010), Bytes{0x82});
            Put(image, ActionPatternOffset(0x120), Bytes{1, 2, 3, 4, 5, 6, 7, 8});
            Put(image, TechniqueHighBitsOffset(0x120), Bytes{0x01});
            Put(image, EnemyDropsOffset(0x13F),
                Bytes{0x08, 0x01, 0xFD, 0x00, 0xFF, 0x00, 0xFC, 0x01, 0x2C});
            for (int slot = 0; slot < kTwoAttackSlotCount; ++slot)
                Put(image, TwoAttackSlotOffset(slot), Bytes{0xFF, 0xFF});
            Put(image, TwoAttackSlotOffset(6), Bytes{0x3F, 0x01});
            Put(image, TwoAttackSlotOffset(9), Bytes{0x3F, 0x01});
            Put(image, EnemyNameOffset(0x145), GameText("ワイバン", 12));
            Put(image, EnemyRecordOffset(0x145), SerializeEnemyRecord(test::SampleRecord()));
        }
        return image;
    }

    EnemyForm Loaded(int enemy)
    {
        MemoryRomStream stream(image_, false);
        const EnemyLists lists = LoadEnemyLists(stream);
        EnemyForm form;
        form.enemy = enemy;
        const Status loaded = LoadEnemyRecord(stream, lists, form);
        EXPECT_TRUE(loaded.ok()) << loaded.message();
        return form;
    }

    Bytes image_;
};

TEST_F(LoadEnemyTest, TheRecordFillsTheStatusEquipmentAndChoiceBoxes)
{
    const EnemyForm form = Loaded(0x13F);
    EXPECT_EQ(form.name, "ゴブリン");
    EXPECT_EQ(form.race, 0x13);
    EXPECT_TRUE(form.undead);
    EXPECT_FALSE(form.female);
    EXPECT_TRUE(form.male);
    EXPECT_EQ(form.recoveryElement, 5);
    EXPECT_EQ(form.resistances, (std::array<bool, 5>{true, false, true, true, false}));
    EXPECT_EQ(form.hp, "4660");
    EXPECT_EQ(form.stats, (std::array<std::string, 7>{"11", "12", "13", "14", "15", "16", "17"}));
    EXPECT_EQ(form.levels, (std::array<std::string, 4>{"21", "22", "23", "24"}));
    EXPECT_EQ(form.patternChoice, 20); // 0x17 shows as 【1F】常に何もしない
    EXPECT_EQ(form.techniqueChoice, 5);
    EXPECT_EQ(form.patterns, (std::array<int, 2>{0x120, 0x010}));
    // Weapon 1 0x08 + high bit → 【0108】; none; shield 0x50 + high bit → 【0150】; armour 0x60;
    // armour 0x61 + high bit → 【0161】.
    EXPECT_EQ(form.equipment, (std::array<int, 5>{0x108, 0xFF, 0x150, 0x60, 0x161}));
    EXPECT_EQ(form.noDisarm, (std::array<bool, 2>{true, false}));
    // The first slot naming the enemy.
    EXPECT_EQ(form.twoAttack, 7);
}

TEST_F(LoadEnemyTest, TheArmourSummaryPatternsAndDropsFollowTheRecord)
{
    const EnemyForm form = Loaded(0x13F);
    // Two armours of 100 (armour 2 the expansion's 0x161): above 127 for the four physical
    // types; stun from the first armour, faint from the second.
    EXPECT_EQ(form.armourSummary.defence,
              (std::array<std::string, 8>{"☆", "☆", "☆", "☆", "0", "0", "0", "0"}));
    EXPECT_TRUE(form.armourSummary.resistances[0]);
    EXPECT_TRUE(form.armourSummary.resistances[7]);

    // Pattern 1 (0x120) is the expansion's: its row can be edited; pattern 2 (0x010) is the
    // game's, shown with its high bits but disabled.
    EXPECT_EQ(form.techniques[0], (std::array<int, 8>{0x101, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(form.techniques[1],
              (std::array<int, 8>{0x10, 0x111, 0x12, 0x13, 0x14, 0x15, 0x16, 0x117}));
    EXPECT_EQ(form.techniquesEnabled, (std::array<bool, 2>{true, false}));

    EXPECT_EQ(form.drops, (std::array<int, 4>{0x108, 0xFD, 0xFF, 0x1FC}));
    EXPECT_EQ(form.money, "44");
}

TEST_F(LoadEnemyTest, TheSharedPatternIsEditedThroughTheFirstRow)
{
    MemoryRomStream stream(image_, false);
    const EnemyLists lists = LoadEnemyLists(stream);
    EnemyForm form = Loaded(0x13F);
    form.patterns = {0x120, 0x120};
    ComboBox42Change(stream, lists, form);
    EXPECT_EQ(form.techniquesEnabled, (std::array<bool, 2>{true, false}));
    EXPECT_EQ(form.techniques[1], form.techniques[0]);

    form.techniques[0][0] = 0x1FF;
    form.techniques[0][7] = 0x000;
    ComboBox43Change(form);
    EXPECT_EQ(form.techniques[1], form.techniques[0]);

    // Different patterns: the second row keeps its own techniques.
    form.patterns = {0x120, 0x121};
    ComboBox42Change(stream, lists, form);
    EXPECT_EQ(form.techniquesEnabled, (std::array<bool, 2>{true, true}));
    const auto second = form.techniques[1];
    form.techniques[0][0] = 0x005;
    ComboBox43Change(form);
    EXPECT_EQ(form.techniques[1], second);

    // Changing the armours rebuilds the summary.
    form.equipment[kArmour1Slot] = kNoEquipment;
    ComboBox40Change(stream, lists, form);
    EXPECT_EQ(form.armourSummary.defence[0], "100");
    form.equipment[kArmour2Slot] = kNoEquipment;
    ComboBox40Change(stream, lists, form);
    EXPECT_EQ(form.armourSummary, ArmourSummary{});
}

TEST_F(LoadEnemyTest, WithReadingOffSelectingAnotherEnemyChangesNothing)
{
    MemoryRomStream stream(image_, false);
    const EnemyLists lists = LoadEnemyLists(stream);
    EnemyForm form = Loaded(0x13F);
    form.readStatus = false;
    form.enemy = 0x145;
    EnemyForm expected = form;
    ASSERT_TRUE(ComboBox30Change(stream, lists, form).ok());
    EXPECT_EQ(form, expected);

    form.readStatus = true;
    ASSERT_TRUE(ComboBox30Change(stream, lists, form).ok());
    EXPECT_EQ(form.name, "ワイバン");
    EXPECT_EQ(form.hp, "4660");
    EXPECT_EQ(form.twoAttack, 0);
}

TEST_F(LoadEnemyTest, AnEnemyTheImageLacksIsRefusedAndChangesNothing)
{
    // An image that ends inside the game's enemy records.
    Bytes cut = image_;
    cut.resize(EnemyRecordOffset(0x13F) + 10);
    MemoryRomStream stream(cut, false);
    const EnemyLists lists = LoadEnemyLists(stream);
    EnemyForm form;
    form.enemy = 0x13F;
    const EnemyForm before = form;
    EXPECT_EQ(LoadEnemyRecord(stream, lists, form).message(), kEnemyDataPastEndMessage);
    EXPECT_EQ(form, before);
    form.enemy = 0x140; // not offered by an image of 4 MiB or less
    EXPECT_EQ(LoadEnemyRecord(stream, lists, form).message(), kNoEnemySelectedMessage);
    form.enemy = -1;
    EXPECT_EQ(LoadEnemyRecord(stream, lists, form).message(), kNoEnemySelectedMessage);
}

// On an image of 4 MiB the tables above 4 MiB are absent: no high bits, no drops, no
// two-attack slot.
TEST_F(LoadEnemyTest, OnAnImageOf4MiBTheTablesAbove4MiBAreAbsent)
{
    const Bytes plain = Image(RomImageBuilder::kPlainSize);
    MemoryRomStream stream(plain, false);
    const EnemyLists lists = LoadEnemyLists(stream);
    EnemyForm form;
    form.enemy = 0x13F;
    ASSERT_TRUE(LoadEnemyRecord(stream, lists, form).ok());
    EXPECT_EQ(form.hp, "4660");
    // Weapon 1 and the shield without their high bits; armour 2's high bit is absent too.
    EXPECT_EQ(form.equipment, (std::array<int, 5>{0x08, 0xFF, 0x50, 0x60, 0x61}));
    // Pattern 1 0x120 is not offered: item 0; pattern 2 0x010 without high bits.
    EXPECT_EQ(form.patterns, (std::array<int, 2>{0, 0x010}));
    EXPECT_EQ(form.techniques[1],
              (std::array<int, 8>{0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17}));
    EXPECT_EQ(form.techniquesEnabled, (std::array<bool, 2>{false, false}));
    EXPECT_EQ(form.drops, (std::array<int, 4>{-1, -1, -1, -1}));
    EXPECT_EQ(form.money, "");
    EXPECT_EQ(form.twoAttack, 0);
    EXPECT_EQ(form.armourSummary.defence[0], "100");
}

TEST_F(LoadEnemyTest, ResetSelectsItemZeroOfEveryListBuiltFromTheImage)
{
    EnemyForm form = Loaded(0x13F);
    ResetEnemySelections(form);
    EXPECT_EQ(form.enemy, 0);
    EXPECT_EQ(form.graphicNumber, 0);
    EXPECT_EQ(form.equipment, (std::array<int, 5>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(form.patterns, (std::array<int, 2>{}));
    EXPECT_EQ(form.techniques, (std::array<std::array<int, 8>, 2>{}));
    EXPECT_EQ(form.drops, (std::array<int, 4>{}));
    EXPECT_EQ(form.twoAttack, 0);
    // What the image gave the other boxes stays.
    EXPECT_EQ(form.hp, "4660");
}

} // namespace
} // namespace varn
