#pragma once

#include <cstdint>

namespace varn {

// Where the enemy editor's tables lie in the image, as raw file offsets. The game's 320
// enemies and 256 action patterns have their tables below 4 MiB; the expansion above 4 MiB
// adds enemies 0x140-0x1FF, patterns 0x100-0x1FF, graphic numbers 0x100-0x1FF, the two-attack
// list, and tables that cover every enemy, item and technique (drops, equipment high bits,
// the 12-byte item names, the expansion's armour data and technique names, the techniques'
// high bits). On an image of 4 MiB or less those tables are absent.

// Numbering.
inline constexpr int kBaseEnemyCount = 0x140;     // enemies 0x000-0x13F
inline constexpr int kEnemyCount = 0x200;         // with the expansion's 0x140-0x1FF
inline constexpr int kBasePatternCount = 0x100;   // action patterns 0x000-0x0FF
inline constexpr int kPatternCount = 0x200;       // with the expansion's 0x100-0x1FF
inline constexpr int kTechniqueCount = 0x200;     // techniques 0x000-0x1FF
inline constexpr int kTechniquesPerPattern = 8;
inline constexpr int kTwoAttackSlotCount = 127;   // slots 0-126
inline constexpr int kFirstNewGraphic = 0x073;    // the graphic numbers a new graphic may take
inline constexpr int kBaseGraphicEnd = 0x100;     // 0x073-0x0FF; expanded image: to 0x1FF
inline constexpr int kGraphicEnd = 0x200;
inline constexpr int kLastDropItem = 0x1FC;       // items 0x000-0x1FC

// Item numbers: weapons 0x08-0x4F, shields 0x50-0x5F, armour 0x60-0xDF; the same plus 0x100
// are the expansion's. In the drop lists 0xFD and 0xFE name the equipped weapons, 0xFF none.
inline constexpr std::uint16_t kNoItem = 0xFF;
inline constexpr std::uint16_t kEquippedWeapon1 = 0xFD;
inline constexpr std::uint16_t kEquippedWeapon2 = 0xFE;

// Table locations.
inline constexpr std::uint32_t kItemNameTable = 0x3D0280;         // 8 bytes, items 0x00-0xFC
inline constexpr std::uint32_t kEnemyNameTable = 0x3D0A80;        // 8 bytes, e < 0x140
inline constexpr std::uint32_t kEnemyTechniqueNameTable = 0x3D31C0;    // 10 bytes, t < 0x100
inline constexpr std::uint32_t kArmourDataTable = 0x3E0180;       // 9 bytes, items 0x60-0xDF
inline constexpr std::uint32_t kEnemyRecordTable = 0x3E3F8B;      // 25 bytes, e < 0x140
inline constexpr std::uint32_t kActionPatternTable = 0x3E5ECB;    // 8 bytes, p < 0x100
inline constexpr std::uint32_t kTwoAttackList = 0x59FF00;         // 2 bytes, slots 0-126
inline constexpr std::uint32_t kExpandedEnemyRecordTable = 0x5A0000; // 25 bytes, e >= 0x140
inline constexpr std::uint32_t kExpandedEnemyNameTable = 0x5A2D00;   // 12 bytes, e >= 0x140
inline constexpr std::uint32_t kExpandedPatternTable = 0x5A3990;     // 8 bytes, p >= 0x100
inline constexpr std::uint32_t kDropTable = 0x5B0640;                // 9 bytes, every enemy
inline constexpr std::uint32_t kEquipmentHighBitsTable = 0x5B1840;   // 1 byte, every enemy
inline constexpr std::uint32_t kExpandedItemNameTable = 0x5B2880;    // 12 bytes, items 0x100+k
inline constexpr std::uint32_t kExpandedArmourDataTable = 0x5B3600;  // 9 bytes, items 0x160+
inline constexpr std::uint32_t kExpandedEnemyTechniqueNameTable = 0x5B40C0; // 10 bytes, t >= 0x100
inline constexpr std::uint32_t kTechniqueHighBitsTable = 0x5B5BC0;     // 1 byte, every pattern

// Entry sizes.
inline constexpr int kEnemyRecordSize = 25;
inline constexpr int kActionPatternSize = 8;
inline constexpr int kEnemyDropsSize = 9;
inline constexpr int kArmourDataSize = 9;
inline constexpr int kBaseNameSize = 8;       // enemy and item names below 4 MiB
inline constexpr int kExpandedNameSize = 12;  // enemy and item names of the expansion
inline constexpr int kTechniqueNameSize = 10;

// Graphic tables.
inline constexpr std::uint32_t kEnemyPaletteTable = 0x01D400;        // 32 bytes, e < 0x140
inline constexpr std::uint32_t kExpandedEnemyPaletteTable = 0x5A12C0; // 32 bytes, e >= 0x140
inline constexpr std::uint32_t kSizeCodeTable = 0x26E400;            // 1 byte, e < 0x140
inline constexpr std::uint32_t kExpandedSizeCodeTable = 0x5A2980;    // indexed by e itself
inline constexpr std::uint32_t kGraphicRecordOffsetTable = 0x26E580; // 2 bytes, e < 0x140
inline constexpr std::uint32_t kExpandedGraphicRecordOffsetTable = 0x5A2B80;
inline constexpr std::uint32_t kGraphicRecordBase = 0x26D000; // + the enemy's record offset
inline constexpr std::uint32_t kGraphicAddressTable = 0x26FA00;         // 3 bytes, g < 0x100
inline constexpr std::uint32_t kExpandedGraphicAddressTable = 0x5A3690; // 3 bytes, g >= 0x100
inline constexpr int kPaletteSize = 32;
inline constexpr int kGraphicRecordSize = 6;
inline constexpr int kGraphicAddressSize = 3;

// Where each entry lies.

constexpr std::uint32_t EnemyNameOffset(int e)
{
    return e < kBaseEnemyCount
               ? kEnemyNameTable + kBaseNameSize * static_cast<std::uint32_t>(e)
               : kExpandedEnemyNameTable +
                     kExpandedNameSize * static_cast<std::uint32_t>(e - kBaseEnemyCount);
}

constexpr int EnemyNameSize(int e)
{
    return e < kBaseEnemyCount ? kBaseNameSize : kExpandedNameSize;
}

constexpr std::uint32_t EnemyRecordOffset(int e)
{
    return e < kBaseEnemyCount
               ? kEnemyRecordTable + kEnemyRecordSize * static_cast<std::uint32_t>(e)
               : kExpandedEnemyRecordTable +
                     kEnemyRecordSize * static_cast<std::uint32_t>(e - kBaseEnemyCount);
}

constexpr std::uint32_t ActionPatternOffset(int p)
{
    return p < kBasePatternCount
               ? kActionPatternTable + kActionPatternSize * static_cast<std::uint32_t>(p)
               : kExpandedPatternTable +
                     kActionPatternSize * static_cast<std::uint32_t>(p - kBasePatternCount);
}

constexpr std::uint32_t TechniqueHighBitsOffset(int p)
{
    return kTechniqueHighBitsTable + static_cast<std::uint32_t>(p);
}

constexpr std::uint32_t EnemyDropsOffset(int e)
{
    return kDropTable + kEnemyDropsSize * static_cast<std::uint32_t>(e);
}

constexpr std::uint32_t EquipmentHighBitsOffset(int e)
{
    return kEquipmentHighBitsTable + static_cast<std::uint32_t>(e);
}

constexpr std::uint32_t TwoAttackSlotOffset(int slot)
{
    return kTwoAttackList + 2 * static_cast<std::uint32_t>(slot);
}

// Item k's name: 8 bytes for 0x00-0xFC, 12 bytes for 0x100-0x1FC.
constexpr std::uint32_t ItemNameOffset(int k)
{
    return k < 0x100 ? kItemNameTable + kBaseNameSize * static_cast<std::uint32_t>(k)
                     : kExpandedItemNameTable +
                           kExpandedNameSize * static_cast<std::uint32_t>(k - 0x100);
}

constexpr int ItemNameSize(int k)
{
    return k < 0x100 ? kBaseNameSize : kExpandedNameSize;
}

constexpr std::uint32_t EnemyTechniqueNameOffset(int t)
{
    return t < 0x100 ? kEnemyTechniqueNameTable + kTechniqueNameSize * static_cast<std::uint32_t>(t)
                     : kExpandedEnemyTechniqueNameTable +
                           kTechniqueNameSize * static_cast<std::uint32_t>(t - 0x100);
}

// Armour item k (0x60-0xDF or 0x160-0x1DF).
constexpr std::uint32_t ArmourDataOffset(int k)
{
    return k < 0x100 ? kArmourDataTable + kArmourDataSize * static_cast<std::uint32_t>(k - 0x60)
                     : kExpandedArmourDataTable +
                           kArmourDataSize * static_cast<std::uint32_t>(k - 0x160);
}

constexpr std::uint32_t EnemyPaletteOffset(int e)
{
    return e < kBaseEnemyCount
               ? kEnemyPaletteTable + kPaletteSize * static_cast<std::uint32_t>(e)
               : kExpandedEnemyPaletteTable +
                     kPaletteSize * static_cast<std::uint32_t>(e - kBaseEnemyCount);
}

constexpr std::uint32_t SizeCodeOffset(int e)
{
    return (e < kBaseEnemyCount ? kSizeCodeTable : kExpandedSizeCodeTable) +
           static_cast<std::uint32_t>(e);
}

// Where the 16-bit offset of the enemy's graphic record (from kGraphicRecordBase) lies.
constexpr std::uint32_t GraphicRecordOffsetEntry(int e)
{
    return e < kBaseEnemyCount
               ? kGraphicRecordOffsetTable + 2 * static_cast<std::uint32_t>(e)
               : kExpandedGraphicRecordOffsetTable +
                     2 * static_cast<std::uint32_t>(e - kBaseEnemyCount);
}

constexpr std::uint32_t GraphicAddressOffset(int g)
{
    return g < kBaseGraphicEnd
               ? kGraphicAddressTable + kGraphicAddressSize * static_cast<std::uint32_t>(g)
               : kExpandedGraphicAddressTable +
                     kGraphicAddressSize * static_cast<std::uint32_t>(g - kBaseGraphicEnd);
}

} // namespace varn
