#include "charpatch/CharacterForm.h"

#include <charconv>
#include <string_view>

namespace varn {

namespace {

// Attribute bonuses in the order 腕力, 器用さ, 素早さ, 体力, 魔力, 意志力, 魅力.
using Bonus = std::array<int, 7>;

// By guardian star: 歳星, 螢惑, 鎮星, 太白, 辰星.
constexpr std::array<Bonus, 5> kStarBonus{{
    {-1, 0, +2, -1, +1, -1, +1},
    {-2, +1, 0, -2, +2, +1, +1},
    {+1, -1, -2, 0, 0, +1, +2},
    {+2, -2, -1, +2, -1, +1, 0},
    {0, +2, +1, +1, -2, -2, +1},
}};

// By favourite weapon: 剣, 大剣, 斧, 棍棒, 小剣, 槍, 弓, 素手, なし.
constexpr std::array<Bonus, 9> kWeaponBonus{{
    {0, 0, 0, 0, 0, 0, +1},
    {+1, -1, -2, +2, 0, +1, -1},
    {+3, -2, -1, +1, -1, +1, -2},
    {+1, -1, +1, -1, +1, -1, -1},
    {-1, +1, +2, -2, +1, -1, +2},
    {+2, -1, +1, +1, 0, -1, -1},
    {0, +3, 0, -1, -2, +1, +1},
    {+2, -3, +1, +3, -2, -1, -1},
    {-2, +2, -2, -3, +3, +1, +2},
}};

// The bonus row of a selection, none for an index the table does not have.
template <std::size_t N> Bonus BonusOf(const std::array<Bonus, N>& table, int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= N) {
        return {};
    }
    return table[static_cast<std::size_t>(index)];
}

bool IsAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

} // namespace

int FieldNumber(const std::string& text)
{
    // Spaces around the number are tolerated; anything else that is not a decimal integer in
    // the range of int, an explicit "+" aside, counts as 0.
    std::string_view digits = text;
    while (!digits.empty() && IsAsciiSpace(digits.front())) {
        digits.remove_prefix(1);
    }
    while (!digits.empty() && IsAsciiSpace(digits.back())) {
        digits.remove_suffix(1);
    }
    if (digits.starts_with('+')) {
        digits.remove_prefix(1);
        if (digits.starts_with('-')) {
            return 0;
        }
    }
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) {
        return 0;
    }
    return value;
}

StatusTotals RecomputeTotals(const CharacterForm& form)
{
    StatusTotals totals;
    totals.starBonus = BonusOf(kStarBonus, form.guardianStar);
    totals.weaponBonus = BonusOf(kWeaponBonus, form.favouriteWeapon);
    for (std::size_t i = 0; i < totals.totals.size(); ++i) {
        totals.totals[i] =
            FieldNumber(form.attributes[i]) + totals.starBonus[i] + totals.weaponBonus[i];
        totals.grandTotal += totals.totals[i];
    }
    return totals;
}

} // namespace varn
