#include <gtest/gtest.h>

#include "EnemyTestSupport.h"
#include "enemy/EnemyRecord.h"
#include "enemy/EnemyTables.h"

namespace varn {
namespace {

using test::Bytes;

TEST(EnemyTablesTest, EntriesOfTheGameAndOfTheExpansionLieWhereTheGameReadsThem)
{
    struct Case {
        int enemy;
        std::uint32_t record;
        std::uint32_t name;
        int nameSize;
        std::uint32_t palette;
        std::uint32_t sizeCode;
        std::uint32_t recordOffsetEntry;
    };
    const Case cases[] = {
        {0x000, 0x3E3F8B, 0x3D0A80, 8, 0x01D400, 0x26E400, 0x26E580},
        {0x13F, 0x3E5EB2, 0x3D1478, 8, 0x01D400 + 32 * 0x13F, 0x26E400 + 0x13F,
         0x26E580 + 2 * 0x13F},
        {0x140, 0x5A0000, 0x5A2D00, 12, 0x5A12C0, 0x5A2AC0, 0x5A2B80},
        {0x145, 0x5A0000 + 25 * 5, 0x5A2D00 + 12 * 5, 12, 0x5A12C0 + 32 * 5, 0x5A2AC5,
         0x5A2B8A},
        {0x1FF, 0x5A0000 + 25 * 0xBF, 0x5A2D00 + 12 * 0xBF, 12, 0x5A12C0 + 32 * 0xBF,
         0x5A2B7F, 0x5A2B80 + 2 * 0xBF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.enemy);
        EXPECT_EQ(EnemyRecordOffset(c.enemy), c.record);
        EXPECT_EQ(EnemyNameOffset(c.enemy), c.name);
        EXPECT_EQ(EnemyNameSize(c.enemy), c.nameSize);
        EXPECT_EQ(EnemyPaletteOffset(c.enemy), c.palette);
        EXPECT_EQ(SizeCodeOffset(c.enemy), c.sizeCode);
        EXPECT_EQ(GraphicRecordOffsetEntry(c.enemy), c.recordOffsetEntry);
        EXPECT_EQ(EnemyDropsOffset(c.enemy), 0x5B0640u + 9u * static_cast<unsigned>(c.enemy));
        EXPECT_EQ(EquipmentHighBitsOffset(c.enemy), 0x5B1840u + static_cast<unsigned>(c.enemy));
    }
    // The drop table ends where the equipment high bits begin; the expanded tables follow on
    // from the base ones.
    EXPECT_EQ(EnemyDropsOffset(kEnemyCount), kEquipmentHighBitsTable);
    EXPECT_EQ(ActionPatternOffset(0x0FF), 0x3E5ECBu + 8 * 0xFF);
    EXPECT_EQ(ActionPatternOffset(0x100), 0x5A3990u);
    EXPECT_EQ(ActionPatternOffset(0x120), 0x5A3A90u);
    EXPECT_EQ(TechniqueHighBitsOffset(0x120), 0x5B5CE0u);
    EXPECT_EQ(TwoAttackSlotOffset(2), 0x59FF04u);
    EXPECT_EQ(GraphicAddressOffset(0x0FF), 0x26FA00u + 3 * 0xFF);
    EXPECT_EQ(GraphicAddressOffset(0x105), 0x5A3690u + 15);
    EXPECT_EQ(ItemNameOffset(0x08), 0x3D02C0u);
    EXPECT_EQ(ItemNameOffset(0x108), 0x5B28E0u);
    EXPECT_EQ(ItemNameSize(0x108), 12);
    EXPECT_EQ(EnemyTechniqueNameOffset(0x1FF), 0x5B40C0u + 10 * 0xFF);
    EXPECT_EQ(ArmourDataOffset(0x60), 0x3E0180u);
    EXPECT_EQ(ArmourDataOffset(0x161), 0x5B3609u);
}

TEST(EnemyRecordTest, EveryFieldHasItsBytesAndBits)
{
    const EnemyRecordBytes bytes = SerializeEnemyRecord(test::SampleRecord());
    const EnemyRecordBytes expected{
        0x13 | 0x20 | 0x80,        // race, undead, male
        0x05 | 0x08 | 0x20 | 0x40, // recovery element, water, sound, gaze
        0x80,                      // bit 8 of pattern 1
        0x11 | (6 << 5),           // pattern choice, technique choice
        0x34, 0x12,                // HP
        11, 12, 13, 14, 15, 16, 17, 21, 22, 23, 24,
        0x20, 0x31,                   // patterns' low bits
        0x08, 0x4F, 0x50, 0x60, 0xFF, // equipment
        0x40,                         // weapon 2 cannot be taken
    };
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(ParseEnemyRecord(bytes), test::SampleRecord());
}

TEST(EnemyRecordTest, BitsTheEditorDoesNotUseAreWrittenAsZero)
{
    EnemyRecordBytes bytes{};
    bytes.fill(0xFF);
    const EnemyRecord record = ParseEnemyRecord(bytes);
    EXPECT_EQ(record.race, 0x1F);
    EXPECT_EQ(record.recoveryElement, 7);
    EXPECT_EQ(record.patternChoice, 0x1F);
    EXPECT_EQ(record.techniqueChoice, 7);
    EXPECT_EQ(record.hp, 0xFFFF);
    const EnemyRecordBytes again = SerializeEnemyRecord(record);
    EXPECT_EQ(again[2], 0xC0);
    EXPECT_EQ(again[24], 0xC0);
    for (const std::size_t i : {0u, 1u, 3u, 4u, 5u, 12u, 17u, 23u})
        EXPECT_EQ(again[i], 0xFF) << i;
}

TEST(EnemyRecordTest, EquipmentHighBitsUseBits7To5And3And2)
{
    EXPECT_EQ(ParseEquipmentHighBits(0x80).high, (std::array<bool, 5>{true, false, false, false, false}));
    EXPECT_EQ(ParseEquipmentHighBits(0x20).high, (std::array<bool, 5>{false, false, true, false, false}));
    EXPECT_EQ(ParseEquipmentHighBits(0x04).high, (std::array<bool, 5>{false, false, false, false, true}));
    EXPECT_EQ(ParseEquipmentHighBits(0x13).high, (std::array<bool, 5>{}));
    EXPECT_EQ(SerializeEquipmentHighBits(ParseEquipmentHighBits(0xFF)), 0xEC);
    EXPECT_EQ(SerializeEquipmentHighBits({{false, true, false, true, false}}), 0x48);
}

TEST(EnemyRecordTest, DropsAreFourLittleEndianItemsAndTheMoney)
{
    const Bytes bytes{0x08, 0x01, 0xFD, 0x00, 0xFF, 0x00, 0xFC, 0x01, 0x2C};
    const EnemyDrops drops = ParseEnemyDrops(std::span<const std::uint8_t, 9>(bytes.data(), 9));
    EXPECT_EQ(drops.items, (std::array<std::uint16_t, 4>{0x108, 0xFD, 0xFF, 0x1FC}));
    EXPECT_EQ(drops.money, 0x2C);
    const EnemyDropsBytes again = SerializeEnemyDrops(drops);
    EXPECT_EQ(Bytes(again.begin(), again.end()), bytes);
}

TEST(EnemyRecordTest, BitNOfThePatternsHighByteIsBit8OfTechniqueNPlus1)
{
    const std::array<std::uint8_t, 8> low{1, 2, 3, 4, 5, 6, 7, 8};
    const ActionPattern pattern = ParseActionPattern(low, 0x81);
    EXPECT_EQ(pattern.techniques,
              (std::array<std::uint16_t, 8>{0x101, 2, 3, 4, 5, 6, 7, 0x108}));
    EXPECT_EQ(ActionPatternLowBytes(pattern), low);
    EXPECT_EQ(ActionPatternHighBits(pattern), 0x81);
}

TEST(EnemyRecordTest, ATwoAttackSlotAbove1FFIsEmpty)
{
    EXPECT_FALSE(IsEmptyTwoAttackSlot(0x000));
    EXPECT_FALSE(IsEmptyTwoAttackSlot(0x1FF));
    EXPECT_TRUE(IsEmptyTwoAttackSlot(0x200));
    EXPECT_TRUE(IsEmptyTwoAttackSlot(0xFFFF));
}

} // namespace
} // namespace varn
