#include "enemy/EnemyRecord.h"

namespace varn {

namespace {

constexpr std::uint8_t kUndeadBit = 0x20;
constexpr std::uint8_t kFemaleBit = 0x40;
constexpr std::uint8_t kMaleBit = 0x80;
constexpr std::uint8_t kRaceMask = 0x1F;
constexpr std::uint8_t kRecoveryMask = 0x07;
constexpr std::array<std::uint8_t, 5> kResistanceBits{0x08, 0x10, 0x20, 0x40, 0x80};
constexpr std::array<std::uint8_t, 2> kPatternHighBits{0x80, 0x40};
constexpr std::uint8_t kPatternChoiceMask = 0x1F;
constexpr int kTechniqueChoiceShift = 5;
constexpr std::array<std::uint8_t, 2> kNoDisarmBits{0x80, 0x40};

constexpr bool Has(std::uint8_t byte, std::uint8_t bit)
{
    return (byte & bit) != 0;
}

} // namespace

EnemyRecord ParseEnemyRecord(std::span<const std::uint8_t, kEnemyRecordSize> bytes)
{
    EnemyRecord record;
    record.race = bytes[0] & kRaceMask;
    record.undead = Has(bytes[0], kUndeadBit);
    record.female = Has(bytes[0], kFemaleBit);
    record.male = Has(bytes[0], kMaleBit);
    record.recoveryElement = bytes[1] & kRecoveryMask;
    for (std::size_t i = 0; i < kResistanceBits.size(); ++i)
        record.resistances[i] = Has(bytes[1], kResistanceBits[i]);
    for (std::size_t i = 0; i < kPatternHighBits.size(); ++i)
        record.patternHigh[i] = Has(bytes[2], kPatternHighBits[i]);
    record.patternChoice = bytes[3] & kPatternChoiceMask;
    record.techniqueChoice = static_cast<std::uint8_t>(bytes[3] >> kTechniqueChoiceShift);
    record.hp = static_cast<std::uint16_t>(bytes[4] | (bytes[5] << 8));
    for (std::size_t i = 0; i < record.stats.size(); ++i)
        record.stats[i] = bytes[6 + i];
    for (std::size_t i = 0; i < record.levels.size(); ++i)
        record.levels[i] = bytes[13 + i];
    record.patternLow = {bytes[17], bytes[18]};
    for (std::size_t i = 0; i < record.equipment.size(); ++i)
        record.equipment[i] = bytes[19 + i];
    for (std::size_t i = 0; i < kNoDisarmBits.size(); ++i)
        record.noDisarm[i] = Has(bytes[24], kNoDisarmBits[i]);
    return record;
}

EnemyRecordBytes SerializeEnemyRecord(const EnemyRecord& record)
{
    EnemyRecordBytes bytes{};
    bytes[0] = static_cast<std::uint8_t>((record.race & kRaceMask) |
                                         (record.undead ? kUndeadBit : 0) |
                                         (record.female ? kFemaleBit : 0) |
                                         (record.male ? kMaleBit : 0));
    bytes[1] = record.recoveryElement & kRecoveryMask;
    for (std::size_t i = 0; i < kResistanceBits.size(); ++i) {
        if (record.resistances[i])
            bytes[1] |= kResistanceBits[i];
    }
    for (std::size_t i = 0; i < kPatternHighBits.size(); ++i) {
        if (record.patternHigh[i])
            bytes[2] |= kPatternHighBits[i];
    }
    bytes[3] = static_cast<std::uint8_t>((record.patternChoice & kPatternChoiceMask) |
                                         (record.techniqueChoice << kTechniqueChoiceShift));
    bytes[4] = static_cast<std::uint8_t>(record.hp);
    bytes[5] = static_cast<std::uint8_t>(record.hp >> 8);
    for (std::size_t i = 0; i < record.stats.size(); ++i)
        bytes[6 + i] = record.stats[i];
    for (std::size_t i = 0; i < record.levels.size(); ++i)
        bytes[13 + i] = record.levels[i];
    bytes[17] = record.patternLow[0];
    bytes[18] = record.patternLow[1];
    for (std::size_t i = 0; i < record.equipment.size(); ++i)
        bytes[19 + i] = record.equipment[i];
    for (std::size_t i = 0; i < kNoDisarmBits.size(); ++i) {
        if (record.noDisarm[i])
            bytes[24] |= kNoDisarmBits[i];
    }
    return bytes;
}

EquipmentHighBits ParseEquipmentHighBits(std::uint8_t byte)
{
    EquipmentHighBits bits;
    for (std::size_t i = 0; i < kEquipmentHighBitMasks.size(); ++i)
        bits.high[i] = Has(byte, kEquipmentHighBitMasks[i]);
    return bits;
}

std::uint8_t SerializeEquipmentHighBits(const EquipmentHighBits& bits)
{
    std::uint8_t byte = 0;
    for (std::size_t i = 0; i < kEquipmentHighBitMasks.size(); ++i) {
        if (bits.high[i])
            byte |= kEquipmentHighBitMasks[i];
    }
    return byte;
}

EnemyDrops ParseEnemyDrops(std::span<const std::uint8_t, kEnemyDropsSize> bytes)
{
    EnemyDrops drops;
    for (std::size_t i = 0; i < drops.items.size(); ++i)
        drops.items[i] = static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    drops.money = bytes[8];
    return drops;
}

EnemyDropsBytes SerializeEnemyDrops(const EnemyDrops& drops)
{
    EnemyDropsBytes bytes{};
    for (std::size_t i = 0; i < drops.items.size(); ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(drops.items[i]);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(drops.items[i] >> 8);
    }
    bytes[8] = drops.money;
    return bytes;
}

ActionPattern ParseActionPattern(std::span<const std::uint8_t, kActionPatternSize> low,
                                 std::uint8_t highBits)
{
    ActionPattern pattern;
    for (std::size_t n = 0; n < pattern.techniques.size(); ++n)
        pattern.techniques[n] =
            static_cast<std::uint16_t>((((highBits >> n) & 1) << 8) | low[n]);
    return pattern;
}

std::array<std::uint8_t, kActionPatternSize> ActionPatternLowBytes(const ActionPattern& pattern)
{
    std::array<std::uint8_t, kActionPatternSize> low{};
    for (std::size_t n = 0; n < low.size(); ++n)
        low[n] = static_cast<std::uint8_t>(pattern.techniques[n]);
    return low;
}

std::uint8_t ActionPatternHighBits(const ActionPattern& pattern)
{
    std::uint8_t high = 0;
    for (std::size_t n = 0; n < pattern.techniques.size(); ++n) {
        if ((pattern.techniques[n] & 0x100) != 0)
            high |= static_cast<std::uint8_t>(1u << n);
    }
    return high;
}

} // namespace varn
