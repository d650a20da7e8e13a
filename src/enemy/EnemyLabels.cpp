#include "enemy/EnemyLabels.h"

#include <algorithm>
#include <array>
#include <memory>

#include "enemy/EnemyLabelsFileText.h"
#include "rom/HexText.h"
#include "rom/ReplaceableData.h"
#include "text/LabelFields.h"
#include "text/LabelFile.h"

namespace varn {

namespace {

constexpr std::string_view kRaceList = "race";
constexpr std::string_view kElementList = "element";
constexpr std::string_view kCurrencyList = "currency";
constexpr std::string_view kBossList = "boss";

constexpr std::array<std::string_view, 4> kListNames{kRaceList, kElementList, kCurrencyList,
                                                     kBossList};

// The name shown for a code the label data does not name.
constexpr const char* kUnnamedLabel = "？";

using LabelKey = std::pair<std::string, std::uint8_t>;

std::string Entry(std::string_view list, std::uint8_t code)
{
    return std::string(list) + " " + HexDigits(code, 2);
}

// The labels in use: the built-in ones until a labels file is installed.
ReplaceableData<EnemyLabels>& LabelsData()
{
    static auto* data = new ReplaceableData<EnemyLabels>(BuiltInEnemyLabels);
    return *data;
}

const EnemyLabels& LabelsInUse()
{
    return LabelsData().inUse();
}

} // namespace

std::span<const std::string_view> EnemyLabelListNames()
{
    return kListNames;
}

std::vector<std::uint8_t> EnemyLabelCodes(std::string_view list)
{
    if (list == kRaceList)
        return {0x0C, 0x13};
    if (list == kElementList)
        return {0x07};
    if (list == kCurrencyList)
        return {0x00};
    if (list == kBossList)
        return {0x0B, 0x0C, 0x0D, 0x0E};
    return {};
}

Result<EnemyLabels> ParseEnemyLabels(std::string_view utf8)
{
    CodedLabelReading reading = ReadCodedLabelFile(utf8, kListNames, EnemyLabelCodes);
    if (!reading.problem.empty())
        return Failure{std::move(reading.problem)};
    return EnemyLabels{std::move(reading.names)};
}

const EnemyLabels& BuiltInEnemyLabels()
{
    static const EnemyLabels labels{
        ReadCodedLabelFile(std::string_view(reinterpret_cast<const char*>(kEnemyLabelsFileText.data()),
                                            kEnemyLabelsFileText.size()),
                           kListNames, EnemyLabelCodes)
            .names};
    return labels;
}

Status InstallEnemyLabels(const EnemyLabels& labels)
{
    std::size_t expected = 0;
    for (const std::string_view list : kListNames) {
        for (const std::uint8_t code : EnemyLabelCodes(list)) {
            ++expected;
            const auto found = labels.names.find(LabelKey{std::string(list), code});
            if (found == labels.names.end() || TrimLabelText(found->second).empty())
                return Failure{"項目名が揃っていません。\n" + Entry(list, code) +
                               " の名前がありません。"};
        }
    }
    if (labels.names.size() != expected) {
        for (const auto& [key, name] : labels.names) {
            const std::vector<std::uint8_t> codes = EnemyLabelCodes(key.first);
            if (std::find(codes.begin(), codes.end(), key.second) == codes.end())
                return Failure{"項目名が正しくありません。\n" + Entry(key.first, key.second) +
                               " という項目はありません。"};
        }
    }

    LabelsData().install([&](const EnemyLabels& known) { return known.names == labels.names; },
                         [&] { return std::make_unique<const EnemyLabels>(labels); });
    return {};
}

void UseBuiltInEnemyLabels()
{
    LabelsData().useBuiltIn();
}

std::string EnemyLabelName(std::string_view list, std::uint8_t code)
{
    const EnemyLabels& labels = LabelsInUse();
    const auto found = labels.names.find(LabelKey{std::string(list), code});
    return found == labels.names.end() ? kUnnamedLabel : found->second;
}

} // namespace varn
