#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "enemy/EnemyRecord.h"

namespace varn {

// The captions of the summary's defence boxes, resistance boxes and armour resistance boxes,
// in the order of its arrays; the page and the text file show them alike. The armour
// resistances are also the enemy's own (resist_water … float).
inline constexpr std::array<const char*, 8> kDefenceCaptions{"斬", "打", "突", "射",
                                                             "熱", "冷", "雷", "状"};
inline constexpr std::array<const char*, 8> kResistanceCaptions{"スタン", "毒",   "精神", "暗闇",
                                                                "眠り",   "麻痺", "石化", "気絶"};
inline constexpr std::array<const char*, 5> kArmourResistanceCaptions{"水", "投げ", "音波", "凝視",
                                                                      "浮遊"};

// The read-only armour summary of the equipment sub-tab: what the enemy's two armours give
// together. The boxes hold text as the page shows it: a decimal number, or "☆" above 127.
struct ArmourSummary {
    // 斬 Edit66, 打 Edit68, 突 Edit72, 射 Edit90, 熱 Edit96, 冷 Edit97, 雷 Edit100, 状 Edit101.
    std::array<std::string, 8> defence{"0", "0", "0", "0", "0", "0", "0", "0"};
    // CheckBox34-41: スタン 毒 精神 暗闇 眠り 麻痺 石化 気絶.
    std::array<bool, 8> resistances{};
    // CheckBox42-46: 水 投げ 音波 凝視 浮遊.
    std::array<bool, 5> armourResistances{};
    // CheckBox47-53: 蒼竜 朱鳥 白虎 玄武 太陽 月 and the seventh element.
    std::array<bool, 7> recovery{};
    bool autoRecovery = false; // CheckBox54 "自動"

    friend bool operator==(const ArmourSummary&, const ArmourSummary&) = default;
};

// What a defence box shows once its value exceeds 127.
inline constexpr const char* kDefenceStar = "☆";

// A defence value after an armour's modifier: `value` when the modifier does not select
// `typeBit`, else by the modifier code (bits 0-2): 0 unchanged, 1 zero, 2 half (toward zero),
// 3 one and a half times (truncated), 4 double, 5 triple, 6 zero, 7 the fixed value 128.
int ApplyDefenceModifier(int value, std::uint8_t modifier, std::uint8_t typeBit);

// Unticks every box and sets the eight defence boxes to "0".
void ClearArmourSummary(ArmourSummary& summary);

// Adds one armour: ticks (never unticks) the resistances and recoveries it has, adds its
// modified defence to each box (a box that is not a number counts as 128), then shows "☆" in
// every box above 127.
void AddArmourToSummary(ArmourSummary& summary, const ArmourData& armour);

} // namespace varn
