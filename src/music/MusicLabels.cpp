#include "music/MusicLabels.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "music/MusicLabelsFileText.h"
#include "rom/HexText.h"
#include "rom/ReplaceableData.h"
#include "text/LabelFields.h"
#include "text/LabelFile.h"

namespace varn {

namespace {

constexpr std::array<std::string_view, 3> kListNames{"map", "monster", "theme"};

std::vector<int> CodesBelow(int count)
{
    std::vector<int> codes(static_cast<std::size_t>(count));
    for (int code = 0; code < count; ++code)
        codes[static_cast<std::size_t>(code)] = code;
    return codes;
}

// The lists of the file, in the order of kListNames: the map battles and themes with codes of
// two digits, the monsters with four and their group before the name.
const LabelFileRules& MusicLabelRules()
{
    static const LabelFileRules rules{
        {{kListNames[0], CodesBelow(kMapBattleLabelCount), 2, false},
         {kListNames[1], CodesBelow(kNamedMonsterCount), 4, true},
         {kListNames[2], CodesBelow(kMapThemeLabelCount), 2, false}},
        true,
        true,
    };
    return rules;
}

// The names a label file gives and its first problem.
struct MusicLabelReading {
    MusicLabels labels;
    std::string problem;
};

MusicLabelReading ReadMusicLabelFile(std::string_view utf8)
{
    LabelFileReading reading = ReadLabelFile(utf8, MusicLabelRules());
    MusicLabelReading music{{}, std::move(reading.problem)};
    for (auto& [code, entry] : reading.lists[0])
        music.labels.maps[static_cast<std::size_t>(code)] = std::move(entry.name);
    for (auto& [code, entry] : reading.lists[1])
        music.labels.monsters[static_cast<std::size_t>(code)] = {std::move(entry.group),
                                                                 std::move(entry.name)};
    for (auto& [code, entry] : reading.lists[2])
        music.labels.themes[static_cast<std::size_t>(code)] = std::move(entry.name);
    return music;
}

// The labels the lists show, built together from one set of names.
struct LabelSet {
    MusicLabels names;
    std::vector<std::string> maps;
    std::vector<std::string> monsters;
    std::vector<std::string> themes;
};

std::string Coded(int code, int digits)
{
    return "【" + HexDigits(code, digits) + "】";
}

std::unique_ptr<const LabelSet> BuildLabelSet(const MusicLabels& names)
{
    auto set = std::make_unique<LabelSet>();
    set->names = names;
    for (int code = 0; code < kMapBattleLabelCount; ++code)
        set->maps.push_back(Coded(code, 2) + names.maps[static_cast<std::size_t>(code)]);
    for (int code = 0; code < kMonsterBattleLabelCount; ++code) {
        std::string label = Coded(code, 4);
        if (code < kNamedMonsterCount) {
            const MonsterLabel& monster = names.monsters[static_cast<std::size_t>(code)];
            label += "(" + monster.group + ")" + monster.name;
        }
        set->monsters.push_back(std::move(label));
    }
    for (int code = 0; code < kMapThemeLabelCount; ++code)
        set->themes.push_back(Coded(code, 2) + names.themes[static_cast<std::size_t>(code)]);
    return set;
}

const LabelSet& BuiltInLabelSet()
{
    static const std::unique_ptr<const LabelSet> set = BuildLabelSet(BuiltInMusicLabels());
    return *set;
}

// The labels in use: the built-in ones until a labels file is installed.
ReplaceableData<LabelSet>& LabelsData()
{
    static auto* data = new ReplaceableData<LabelSet>(BuiltInLabelSet);
    return *data;
}

const LabelSet& LabelsInUse()
{
    return LabelsData().inUse();
}

bool Blank(std::string_view text)
{
    return TrimLabelText(text).empty();
}

} // namespace

const std::vector<std::string>& MapBattleLabels()
{
    return LabelsInUse().maps;
}

const std::vector<std::string>& MonsterBattleLabels()
{
    return LabelsInUse().monsters;
}

const std::vector<std::string>& MapThemeLabels()
{
    return LabelsInUse().themes;
}

std::span<const std::string_view> MusicLabelListNames()
{
    return kListNames;
}

Result<MusicLabels> ParseMusicLabels(std::string_view utf8)
{
    MusicLabelReading reading = ReadMusicLabelFile(utf8);
    if (!reading.problem.empty())
        return Failure{std::move(reading.problem)};
    return std::move(reading.labels);
}

const MusicLabels& BuiltInMusicLabels()
{
    static const MusicLabels labels =
        ReadMusicLabelFile(std::string_view(reinterpret_cast<const char*>(kMusicLabelsFileText.data()),
                                            kMusicLabelsFileText.size()))
            .labels;
    return labels;
}

Status InstallMusicLabels(const MusicLabels& labels)
{
    const auto missing = [](std::string_view list, int code, int digits) -> Status {
        return Failure{"項目名が揃っていません。\n" + std::string(list) + " " +
                       HexDigits(code, digits) + " の名前がありません。"};
    };
    for (int code = 0; code < kMapBattleLabelCount; ++code) {
        if (Blank(labels.maps[static_cast<std::size_t>(code)]))
            return missing("map", code, 2);
    }
    for (int code = 0; code < kNamedMonsterCount; ++code) {
        const MonsterLabel& monster = labels.monsters[static_cast<std::size_t>(code)];
        if (Blank(monster.group) || Blank(monster.name))
            return missing("monster", code, 4);
    }
    for (int code = 0; code < kMapThemeLabelCount; ++code) {
        if (Blank(labels.themes[static_cast<std::size_t>(code)]))
            return missing("theme", code, 2);
    }

    LabelsData().install([&](const LabelSet& known) { return known.names == labels; },
                         [&] { return BuildLabelSet(labels); });
    return {};
}

void UseBuiltInMusicLabels()
{
    LabelsData().useBuiltIn();
}

} // namespace varn
