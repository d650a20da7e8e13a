#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "enemy/EnemyTables.h"

namespace varn {

// The records of an enemy in the image, as plain values. Bits the editor does not use are
// dropped when a record is read and written as 0.

// The 25-byte status record of an enemy.
struct EnemyRecord {
    std::uint8_t race = 0;             // byte 0 bits 0-4, 0x00-0x1F
    bool undead = false;               // byte 0 bit 5
    bool female = false;               // byte 0 bit 6
    bool male = false;                 // byte 0 bit 7
    std::uint8_t recoveryElement = 0;  // byte 1 bits 0-2
    // byte 1 bits 3-7: water, throwing, sound, gaze, float
    std::array<bool, 5> resistances{};
    // Bit 8 of action patterns 1 and 2 (byte 2 bits 7 and 6).
    std::array<bool, 2> patternHigh{};
    std::uint8_t patternChoice = 0;    // byte 3 bits 0-4
    std::uint8_t techniqueChoice = 0;  // byte 3 bits 5-7, 0-7
    std::uint16_t hp = 0;              // bytes 4-5, little-endian
    // Bytes 6-12: strength, dexterity, agility, vitality, magic, will, charm.
    std::array<std::uint8_t, 7> stats{};
    // Bytes 13-16: technique, spell, growth and spark levels.
    std::array<std::uint8_t, 4> levels{};
    std::array<std::uint8_t, 2> patternLow{}; // bytes 17-18
    // Bytes 19-23: weapon 1, weapon 2, shield, armour 1, armour 2; low 8 bits, 0xFF none.
    std::array<std::uint8_t, 5> equipment{};
    // Byte 24 bits 7 and 6: weapon 1 or 2 cannot be taken by disarming.
    std::array<bool, 2> noDisarm{};

    friend bool operator==(const EnemyRecord&, const EnemyRecord&) = default;
};

using EnemyRecordBytes = std::array<std::uint8_t, kEnemyRecordSize>;

EnemyRecord ParseEnemyRecord(std::span<const std::uint8_t, kEnemyRecordSize> bytes);
EnemyRecordBytes SerializeEnemyRecord(const EnemyRecord& record);

// The five equipment slots of a record, in record order.
enum EquipmentSlot : int {
    kWeapon1Slot = 0,
    kWeapon2Slot = 1,
    kShieldSlot = 2,
    kArmour1Slot = 3,
    kArmour2Slot = 4,
};
inline constexpr int kEquipmentSlotCount = 5;

// One byte per enemy: bit 8 of each equipment slot's item number. Weapon 1 is bit 7, weapon 2
// bit 6, the shield bit 5, armour 1 bit 3, armour 2 bit 2; the other bits are written as 0.
struct EquipmentHighBits {
    std::array<bool, kEquipmentSlotCount> high{};

    friend bool operator==(const EquipmentHighBits&, const EquipmentHighBits&) = default;
};

inline constexpr std::array<std::uint8_t, kEquipmentSlotCount> kEquipmentHighBitMasks{
    0x80, 0x40, 0x20, 0x08, 0x04};

EquipmentHighBits ParseEquipmentHighBits(std::uint8_t byte);
std::uint8_t SerializeEquipmentHighBits(const EquipmentHighBits& bits);

// The 9-byte drop record: four 16-bit item numbers (the 100 % item, the high-, medium- and
// low-chance items), then the money.
struct EnemyDrops {
    std::array<std::uint16_t, 4> items{};
    std::uint8_t money = 0;

    friend bool operator==(const EnemyDrops&, const EnemyDrops&) = default;
};

using EnemyDropsBytes = std::array<std::uint8_t, kEnemyDropsSize>;

EnemyDrops ParseEnemyDrops(std::span<const std::uint8_t, kEnemyDropsSize> bytes);
EnemyDropsBytes SerializeEnemyDrops(const EnemyDrops& drops);

// An action pattern's eight techniques (9 bits each): the low bits are the pattern's 8 bytes,
// bit 8 of technique n+1 is bit n of the pattern's byte in the technique high-bits table.
struct ActionPattern {
    std::array<std::uint16_t, kTechniquesPerPattern> techniques{};

    friend bool operator==(const ActionPattern&, const ActionPattern&) = default;
};

ActionPattern ParseActionPattern(std::span<const std::uint8_t, kActionPatternSize> low,
                                 std::uint8_t highBits);
std::array<std::uint8_t, kActionPatternSize> ActionPatternLowBytes(const ActionPattern& pattern);
std::uint8_t ActionPatternHighBits(const ActionPattern& pattern);

// An armour item's 9 bytes, read for the armour summary only.
using ArmourData = std::array<std::uint8_t, kArmourDataSize>;

// The bytes of ArmourData the summary reads.
inline constexpr int kArmourPhysicalValue = 0;
inline constexpr int kArmourPhysicalModifier = 1;
inline constexpr int kArmourElementalValue = 2;
inline constexpr int kArmourElementalModifier = 3;
inline constexpr int kArmourResistances = 4;
inline constexpr int kArmourRecovery = 6;
inline constexpr int kArmourFlags = 8;

// A two-attack slot holding a value above 0x1FF is empty.
constexpr bool IsEmptyTwoAttackSlot(std::uint16_t value)
{
    return value > 0x1FF;
}

} // namespace varn
