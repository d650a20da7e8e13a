#include <gtest/gtest.h>

#include "charpatch/CharacterForm.h"

namespace varn {
namespace {

TEST(FieldNumberTest, ReadsDecimalIntegersAndTakesAnythingElseAsZero)
{
    const std::pair<const char*, int> cases[] = {
        {"17", 17},         {"0", 0},    {" 42 ", 42}, {"+5", 5},
        {"-3", -3},         {"007", 7},  {"", 0},      {"abc", 0},
        {"12a", 0},         {"1 2", 0},  {"+-1", 0},   {"-", 0},
        {"99999999999", 0}, {"１７", 0}, {"0x10", 0},  {"2147483647", 2147483647},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(FieldNumber(text), value) << '"' << text << '"';
    }
}

TEST(RecomputeTotalsTest, AddsTheStarAndWeaponBonusesToEachAttribute)
{
    struct Case {
        int star;
        int weapon;
        std::array<std::string, 7> attributes;
        std::array<int, 7> totals;
        int grandTotal;
    };
    const Case cases[] = {
        // 歳星 with 剣, the fresh page.
        {0, 0, {"17", "17", "17", "17", "17", "17", "17"}, {16, 17, 19, 16, 18, 16, 19}, 121},
        // 螢惑 with 大剣.
        {1, 1, {"10", "20", "30", "40", "50", "60", "70"}, {9, 20, 28, 40, 52, 62, 70}, 281},
        // 鎮星 with 斧.
        {2, 2, {"5", "5", "5", "5", "5", "5", "5"}, {9, 2, 2, 6, 4, 7, 5}, 35},
        // 太白 with 素手; a field that is not a number counts as 0.
        {3, 7, {"abc", "17", "17", "17", "17", "17", "17"}, {4, 12, 17, 22, 14, 17, 16}, 102},
        // 辰星 with なし.
        {4, 8, {"90", "90", "90", "90", "90", "90", "90"}, {88, 94, 89, 88, 91, 89, 93}, 632},
    };
    for (const Case& c : cases) {
        CharacterForm form;
        form.guardianStar = c.star;
        form.favouriteWeapon = c.weapon;
        form.attributes = c.attributes;
        const StatusTotals totals = RecomputeTotals(form);
        EXPECT_EQ(totals.totals, c.totals) << "star " << c.star << " weapon " << c.weapon;
        EXPECT_EQ(totals.grandTotal, c.grandTotal) << "star " << c.star;
    }
}

TEST(RecomputeTotalsTest, ShowsEachBonusColumn)
{
    CharacterForm form;
    form.guardianStar = 1;    // 螢惑
    form.favouriteWeapon = 6; // 弓
    const StatusTotals totals = RecomputeTotals(form);
    EXPECT_EQ(totals.starBonus, (std::array<int, 7>{-2, 1, 0, -2, 2, 1, 1}));
    EXPECT_EQ(totals.weaponBonus, (std::array<int, 7>{0, 3, 0, -1, -2, 1, 1}));
}

TEST(RecomputeTotalsTest, AnUnlistedSelectionAddsNothing)
{
    CharacterForm form;
    form.guardianStar = -1;
    form.favouriteWeapon = 9;
    const StatusTotals totals = RecomputeTotals(form);
    EXPECT_EQ(totals.totals, (std::array<int, 7>{17, 17, 17, 17, 17, 17, 17}));
    EXPECT_EQ(totals.grandTotal, 119);
}

} // namespace
} // namespace varn
