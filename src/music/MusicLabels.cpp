#include "music/MusicLabels.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "music/MusicLabelsFileText.h"
#include "rom/HexText.h"
#include "rom/ReplaceableData.h"
#include "text/LabelFields.h"

namespace varn {

namespace {

// One list of the file: its keyword, how many codes it names, the digits its codes are
// written with, and how many words come before the name (the monster's group is one).
struct LabelList {
    std::string_view keyword;
    int count;
    int digits;
    bool hasGroup;
};

constexpr std::array<LabelList, 3> kLists{{
    {"map", kMapBattleLabelCount, 2, false},
    {"monster", kNamedMonsterCount, 4, true},
    {"theme", kMapThemeLabelCount, 2, false},
}};

constexpr std::array<std::string_view, 3> kListNames{"map", "monster", "theme"};

std::optional<int> HexCode(std::string_view text, int digits)
{
    if (text.size() != static_cast<std::size_t>(digits))
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + digit;
    }
    return value;
}

std::string CodeText(const LabelList& list, int code)
{
    return std::string(list.keyword) + " " + HexDigits(code, list.digits);
}

// The names a label file gives and its first problem. Reading goes on past a problem (the line
// is skipped and the first entry of a code wins), so that a damaged built-in copy still names
// what it can.
class MusicLabelReader {
public:
    MusicLabelReader()
    {
        for (std::size_t i = 0; i < kLists.size(); ++i)
            lines_[i].assign(static_cast<std::size_t>(kLists[i].count), 0);
    }

    void read(std::string_view text)
    {
        if (text.starts_with("\xEF\xBB\xBF"))
            text.remove_prefix(3);
        int line = 0;
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t end = text.find('\n', pos);
            if (end == std::string_view::npos)
                end = text.size();
            readLine(text.substr(pos, end - pos), ++line);
            pos = end + 1;
        }
        checkEveryCodeNamed(std::max(line, 1));
    }

    MusicLabels labels;
    std::string problem; // "<line>行目: …"; empty when there is none

private:
    void note(int line, const std::string& what)
    {
        if (problem.empty())
            problem = std::to_string(line) + "行目: " + what;
    }

    void readLine(std::string_view text, int line)
    {
        text = TrimLabelText(text);
        if (text.empty() || text.front() == '#')
            return;
        if (text.find("\uFFFD") != std::string_view::npos) {
            note(line, "文字として読めないバイトがあります。");
            return;
        }
        std::string_view rest = text;
        const std::string_view keyword = NextLabelWord(rest);
        const auto list = std::find_if(kLists.begin(), kLists.end(),
                                       [&](const LabelList& l) { return l.keyword == keyword; });
        if (list == kLists.end()) {
            note(line, "「" + std::string(keyword) +
                           "」という一覧はありません（map monster theme のどれかです）。");
            return;
        }
        const std::string_view codeText = NextLabelWord(rest);
        const std::string_view group = list->hasGroup ? NextLabelWord(rest) : std::string_view();
        const std::string_view name = rest;
        if (codeText.empty() || name.empty() || (list->hasGroup && group.empty())) {
            note(line, "「" + std::string(text) + "」は「" + std::string(list->keyword) +
                           (list->hasGroup ? " コード グループ 名前" : " コード 名前") +
                           "」の形ではありません（空白で区切ります）。");
            return;
        }
        const auto code = HexCode(codeText, list->digits);
        if (!code) {
            note(line, "コード「" + std::string(codeText) + "」は" +
                           std::to_string(list->digits) + "桁の16進数ではありません。");
            return;
        }
        if (*code >= list->count) {
            note(line, "一覧 " + std::string(list->keyword) + " にコード" +
                           HexDigits(*code, list->digits) + "はありません（" +
                           HexDigits(0, list->digits) + " から " +
                           HexDigits(list->count - 1, list->digits) + " までです）。");
            return;
        }
        const auto index = static_cast<std::size_t>(list - kLists.begin());
        int& first = lines_[index][static_cast<std::size_t>(*code)];
        if (first != 0) {
            note(line, CodeText(*list, *code) + " は" + std::to_string(first) +
                           "行目にもあります。一つのコードに名前は一つです。");
            return;
        }
        first = line;
        const auto at = static_cast<std::size_t>(*code);
        switch (index) {
        case 0:
            labels.maps[at] = std::string(name);
            break;
        case 1:
            labels.monsters[at] = {std::string(group), std::string(name)};
            break;
        default:
            labels.themes[at] = std::string(name);
            break;
        }
    }

    // Names a code no line names at the entry before it in its list (or, for the first codes
    // of a list, the entry after them), where its line belongs.
    void checkEveryCodeNamed(int lastLine)
    {
        for (std::size_t index = 0; index < kLists.size(); ++index) {
            const LabelList& list = kLists[index];
            const std::vector<int>& lines = lines_[index];
            for (int code = 0; code < list.count; ++code) {
                if (lines[static_cast<std::size_t>(code)] != 0)
                    continue;
                const std::string missing = CodeText(list, code);
                if (code > 0) {
                    const int before = code - 1;
                    note(lines[static_cast<std::size_t>(before)],
                         CodeText(list, before) + " の次の " + missing + " の行がありません。");
                    return;
                }
                const auto next = std::find_if(lines.begin(), lines.end(),
                                               [](int found) { return found != 0; });
                if (next != lines.end()) {
                    const int after = static_cast<int>(next - lines.begin());
                    note(*next, CodeText(list, after) + " の前の " + missing + " の行がありません。");
                } else {
                    note(lastLine, "一覧 " + std::string(list.keyword) + " の行が一つもありません（" +
                                       missing + " から " + std::to_string(list.count) +
                                       "行が必要です）。");
                }
                return;
            }
        }
    }

    std::array<std::vector<int>, kLists.size()> lines_; // the line of each code's entry, or 0
};

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
    MusicLabelReader reader;
    reader.read(utf8);
    if (!reader.problem.empty())
        return Failure{std::move(reader.problem)};
    return std::move(reader.labels);
}

const MusicLabels& BuiltInMusicLabels()
{
    static const MusicLabels labels = [] {
        MusicLabelReader reader;
        reader.read(std::string_view(reinterpret_cast<const char*>(kMusicLabelsFileText.data()),
                                     kMusicLabelsFileText.size()));
        return reader.labels;
    }();
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
