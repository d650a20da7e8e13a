#include "enemy/ArmourSummary.h"

#include <charconv>

namespace varn {

namespace {

// The four damage types each of the two defence values covers, in box order.
constexpr std::array<std::uint8_t, 4> kTypeBits{0x80, 0x40, 0x20, 0x10};

constexpr int kStarThreshold = 127;
constexpr int kNotANumber = 128;

// A box's value: its text as a decimal number, 128 when it is not one ("☆").
int BoxValue(const std::string& text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        return kNotANumber;
    return value;
}

} // namespace

int ApplyDefenceModifier(int value, std::uint8_t modifier, std::uint8_t typeBit)
{
    if ((modifier & typeBit) == 0)
        return value;
    switch (modifier & 7) {
    case 0:
        return value;
    case 1:
    case 6:
        return 0;
    case 2:
        return value / 2;
    case 3:
        return value * 3 / 2;
    case 4:
        return value * 2;
    case 5:
        return value * 3;
    default:
        return 128;
    }
}

void ClearArmourSummary(ArmourSummary& summary)
{
    summary = ArmourSummary{};
}

void AddArmourToSummary(ArmourSummary& summary, const ArmourData& armour)
{
    const std::uint8_t resistances = armour[kArmourResistances];
    for (std::size_t bit = 0; bit < summary.resistances.size(); ++bit) {
        if ((resistances >> bit) & 1)
            summary.resistances[bit] = true;
    }
    const std::uint8_t recovery = armour[kArmourRecovery];
    for (std::size_t i = 0; i < summary.armourResistances.size(); ++i) {
        if ((recovery >> (3 + i)) & 1)
            summary.armourResistances[i] = true;
    }
    if (const int element = recovery & 7; element >= 1)
        summary.recovery[static_cast<std::size_t>(element - 1)] = true;
    if ((armour[kArmourFlags] & 0x40) != 0)
        summary.autoRecovery = true;

    for (std::size_t i = 0; i < summary.defence.size(); ++i) {
        const bool physical = i < kTypeBits.size();
        const int value = armour[physical ? kArmourPhysicalValue : kArmourElementalValue];
        const std::uint8_t modifier =
            armour[physical ? kArmourPhysicalModifier : kArmourElementalModifier];
        const int added = ApplyDefenceModifier(value, modifier, kTypeBits[i % kTypeBits.size()]);
        summary.defence[i] = std::to_string(BoxValue(summary.defence[i]) + added);
    }
    for (std::string& box : summary.defence) {
        if (BoxValue(box) > kStarThreshold)
            box = kDefenceStar;
    }
}

} // namespace varn
