#include <gtest/gtest.h>

#include "enemy/ArmourSummary.h"

namespace varn {
namespace {

TEST(ArmourSummaryTest, ModifierCodesChangeTheValueOfTheSelectedTypesOnly)
{
    struct Case {
        int code;
        int result; // for the value 41
    };
    const Case cases[] = {{0, 41}, {1, 0}, {2, 20}, {3, 61}, {4, 82}, {5, 123}, {6, 0}, {7, 128}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        for (const std::uint8_t typeBit : {0x80, 0x40, 0x20, 0x10}) {
            const auto selected = static_cast<std::uint8_t>(typeBit | c.code);
            EXPECT_EQ(ApplyDefenceModifier(41, selected, typeBit), c.result);
            // Another type's bit leaves the value unchanged.
            const auto other = static_cast<std::uint8_t>((typeBit == 0x80 ? 0x10 : 0x80) | c.code);
            EXPECT_EQ(ApplyDefenceModifier(41, other, typeBit), 41);
        }
    }
}

ArmourData Armour(std::uint8_t physical, std::uint8_t physicalModifier, std::uint8_t elemental,
                  std::uint8_t elementalModifier)
{
    return {physical, physicalModifier, elemental, elementalModifier, 0, 0, 0, 0, 0};
}

TEST(ArmourSummaryTest, DefenceAddsUpAndShowsAStarAbove127)
{
    ArmourSummary summary;
    AddArmourToSummary(summary, Armour(100, 0x00, 0, 0));
    EXPECT_EQ(summary.defence[0], "100");
    EXPECT_EQ(summary.defence[4], "0");
    AddArmourToSummary(summary, Armour(100, 0x00, 0, 0));
    EXPECT_EQ(summary.defence,
              (std::array<std::string, 8>{"☆", "☆", "☆", "☆", "0", "0", "0", "0"}));
    // A star counts as 128: it stays a star.
    AddArmourToSummary(summary, Armour(0, 0x00, 0, 0));
    EXPECT_EQ(summary.defence[0], "☆");

    // Half for slash only: 斬 20, 打 突 射 40; the elemental value by its own modifier.
    ArmourSummary halved;
    AddArmourToSummary(halved, Armour(40, 0x82, 30, 0x24));
    EXPECT_EQ(halved.defence,
              (std::array<std::string, 8>{"20", "40", "40", "40", "30", "30", "60", "30"}));

    // Exactly 127 is a number, 128 a star; a box that is not a number counts as 128.
    ArmourSummary edge;
    AddArmourToSummary(edge, Armour(127, 0x00, 0, 0x17));
    EXPECT_EQ(edge.defence[0], "127");
    EXPECT_EQ(edge.defence[7], "☆"); // the fixed value 128 for status
    edge.defence[1] = "abc";
    AddArmourToSummary(edge, Armour(0, 0x00, 0, 0));
    EXPECT_EQ(edge.defence[1], "☆");

    ClearArmourSummary(edge);
    EXPECT_EQ(edge, ArmourSummary{});
}

TEST(ArmourSummaryTest, ResistancesAndRecoveriesAreTickedNeverUnticked)
{
    ArmourSummary summary;
    ArmourData first{};
    first[4] = 0b1000'0101; // stun, mind, faint
    first[6] = 0x08 | 0x80 | 3; // water, float, recovery 白虎
    first[8] = 0x40;            // automatic recovery
    AddArmourToSummary(summary, first);
    EXPECT_EQ(summary.resistances,
              (std::array<bool, 8>{true, false, true, false, false, false, false, true}));
    EXPECT_EQ(summary.armourResistances, (std::array<bool, 5>{true, false, false, false, true}));
    EXPECT_EQ(summary.recovery, (std::array<bool, 7>{false, false, true, false, false, false, false}));
    EXPECT_TRUE(summary.autoRecovery);

    ArmourData second{};
    second[4] = 0b0000'0010; // poison
    second[6] = 7;           // the seventh element
    AddArmourToSummary(summary, second);
    EXPECT_EQ(summary.resistances,
              (std::array<bool, 8>{true, true, true, false, false, false, false, true}));
    EXPECT_EQ(summary.armourResistances, (std::array<bool, 5>{true, false, false, false, true}));
    EXPECT_EQ(summary.recovery, (std::array<bool, 7>{false, false, true, false, false, false, true}));
    EXPECT_TRUE(summary.autoRecovery);
}

} // namespace
} // namespace varn
