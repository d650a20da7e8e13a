#include "enemy/EnemyLabels.h"

#include <algorithm>
#include <array>
#include <memory>

#include "enemy/EnemyLabelsFileText.h"
#include "rom/HexText.h"
#include "rom/ReplaceableData.h"
#include "text/LabelFields.h"

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

std::string ListKeywords()
{
    std::string keywords;
    for (const std::string_view name : kListNames)
        keywords += (keywords.empty() ? "" : " ") + std::string(name);
    return keywords;
}

std::string Entry(std::string_view list, std::uint8_t code)
{
    return std::string(list) + " " + HexDigits(code, 2);
}

// The names a label file gives and its first problem. Reading goes on past a problem (the
// line is skipped and the first entry for a code wins), so that a damaged built-in copy still
// names what it can.
struct LabelReading {
    EnemyLabels labels;
    std::map<LabelKey, int> lines; // where each entry was read
    std::string problem;           // "<line>行目: …"; empty when there is none
};

class LabelFileReader {
public:
    LabelReading read(std::string_view text)
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
        return std::move(reading_);
    }

private:
    void note(int line, const std::string& what)
    {
        if (reading_.problem.empty())
            reading_.problem = std::to_string(line) + "行目: " + what;
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
        const std::string_view list = NextLabelWord(rest);
        const std::string_view code = NextLabelWord(rest);
        const std::string_view name = rest;
        if (code.empty() || name.empty()) {
            note(line, "「" + std::string(text) +
                           "」は「一覧 コード 名前」の形ではありません（空白で区切ります）。");
            return;
        }
        const std::vector<std::uint8_t> codes = EnemyLabelCodes(list);
        if (codes.empty()) {
            note(line, "「" + std::string(list) + "」という一覧はありません（" + ListKeywords() +
                           " のどれかです）。");
            return;
        }
        if (code.size() != 2 || HexDigitValue(code[0]) < 0 || HexDigitValue(code[1]) < 0) {
            note(line, "コード「" + std::string(code) + "」は2桁の16進数ではありません。");
            return;
        }
        const auto value =
            static_cast<std::uint8_t>(HexDigitValue(code[0]) * 16 + HexDigitValue(code[1]));
        if (std::find(codes.begin(), codes.end(), value) == codes.end()) {
            note(line, "一覧 " + std::string(list) + " にコード" + HexDigits(value, 2) +
                           "はありません。");
            return;
        }
        const LabelKey key{std::string(list), value};
        if (const auto first = reading_.lines.find(key); first != reading_.lines.end()) {
            note(line, Entry(list, value) + " は" + std::to_string(first->second) +
                           "行目にもあります。一つのコードに名前は一つです。");
            return;
        }
        reading_.lines.emplace(key, line);
        reading_.labels.names.emplace(key, std::string(name));
    }

    // Names a code no line names at the entry before it in its list (or, for the first codes of
    // a list, the entry after them), where its line belongs.
    void checkEveryCodeNamed(int lastLine)
    {
        for (const std::string_view list : kListNames) {
            const std::vector<std::uint8_t> codes = EnemyLabelCodes(list);
            const auto lineOf = [&](std::uint8_t code) {
                const auto found = reading_.lines.find(LabelKey{std::string(list), code});
                return found == reading_.lines.end() ? 0 : found->second;
            };
            for (std::size_t i = 0; i < codes.size(); ++i) {
                if (lineOf(codes[i]) != 0)
                    continue;
                const std::string missing = Entry(list, codes[i]);
                if (i > 0 && lineOf(codes[i - 1]) != 0) {
                    note(lineOf(codes[i - 1]),
                         Entry(list, codes[i - 1]) + " の次の " + missing + " の行がありません。");
                    return;
                }
                const auto next =
                    std::find_if(codes.begin() + static_cast<std::ptrdiff_t>(i), codes.end(),
                                 [&](std::uint8_t code) { return lineOf(code) != 0; });
                if (next != codes.end()) {
                    note(lineOf(*next),
                         Entry(list, *next) + " の前の " + missing + " の行がありません。");
                } else {
                    note(lastLine, "一覧 " + std::string(list) + " の行が一つもありません（" +
                                       missing + " から " + std::to_string(codes.size()) +
                                       "行が必要です）。");
                }
                return;
            }
        }
    }

    LabelReading reading_;
};

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
    LabelReading reading = LabelFileReader().read(utf8);
    if (!reading.problem.empty())
        return Failure{std::move(reading.problem)};
    return std::move(reading.labels);
}

const EnemyLabels& BuiltInEnemyLabels()
{
    static const EnemyLabels labels =
        LabelFileReader()
            .read(std::string_view(reinterpret_cast<const char*>(kEnemyLabelsFileText.data()),
                                   kEnemyLabelsFileText.size()))
            .labels;
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
