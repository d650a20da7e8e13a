#include "text/LabelFile.h"

#include <algorithm>
#include <cstddef>
#include <optional>

#include "rom/HexText.h"
#include "text/LabelFields.h"

namespace varn {

namespace {

std::string CodeText(const LabelList& list, int code)
{
    return std::string(list.keyword) + " " + HexDigits(code, list.digits);
}

class LabelFileReader {
public:
    explicit LabelFileReader(const LabelFileRules& rules)
        : rules_(rules), lines_(rules.lists.size())
    {
        reading_.lists.resize(rules.lists.size());
    }

    LabelFileReading read(std::string_view text)
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

    // The list named `keyword`, or null.
    const LabelList* findList(std::string_view keyword) const
    {
        const auto list = std::find_if(rules_.lists.begin(), rules_.lists.end(),
                                       [&](const LabelList& l) { return l.keyword == keyword; });
        return list == rules_.lists.end() ? nullptr : &*list;
    }

    void noteUnknownList(std::string_view keyword, int line)
    {
        note(line, "「" + std::string(keyword) + "」という一覧はありません（" +
                       LabelListKeywords(rules_) + " のどれかです）。");
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
        const LabelList* list = findList(keyword);
        if (list == nullptr && rules_.shapePerList) {
            noteUnknownList(keyword, line);
            return;
        }
        const std::string_view codeText = NextLabelWord(rest);
        const bool hasGroup = list != nullptr && list->hasGroup;
        const std::string_view group = hasGroup ? NextLabelWord(rest) : std::string_view();
        const std::string_view name = rest;
        if (codeText.empty() || name.empty() || (hasGroup && group.empty())) {
            const std::string shape =
                !rules_.shapePerList ? "一覧 コード 名前"
                                     : std::string(list->keyword) +
                                           (hasGroup ? " コード グループ 名前" : " コード 名前");
            note(line, "「" + std::string(text) + "」は「" + shape +
                           "」の形ではありません（空白で区切ります）。");
            return;
        }
        if (list == nullptr) {
            noteUnknownList(keyword, line);
            return;
        }
        const std::optional<std::uint32_t> parsed =
            ParseHex(codeText, static_cast<std::size_t>(list->digits),
                     static_cast<std::size_t>(list->digits));
        if (!parsed) {
            note(line, "コード「" + std::string(codeText) + "」は" + std::to_string(list->digits) +
                           "桁の16進数ではありません。");
            return;
        }
        const int code = static_cast<int>(*parsed);
        if (std::find(list->codes.begin(), list->codes.end(), code) == list->codes.end()) {
            std::string range;
            if (rules_.codeNamesRange && !list->codes.empty())
                range = "（" + HexDigits(list->codes.front(), list->digits) + " から " +
                        HexDigits(list->codes.back(), list->digits) + " までです）";
            note(line, "一覧 " + std::string(list->keyword) + " にコード" +
                           HexDigits(code, list->digits) + "はありません" + range + "。");
            return;
        }
        const auto index = static_cast<std::size_t>(list - rules_.lists.data());
        const auto [first, added] = lines_[index].emplace(code, line);
        if (!added) {
            note(line, CodeText(*list, code) + " は" + std::to_string(first->second) +
                           "行目にもあります。一つのコードに名前は一つです。");
            return;
        }
        reading_.lists[index].emplace(code, LabelEntry{std::string(group), std::string(name)});
    }

    // Names a code no line names at the entry before it in its list (or, for the first codes
    // of a list, the entry after them), where its line belongs.
    void checkEveryCodeNamed(int lastLine)
    {
        for (std::size_t index = 0; index < rules_.lists.size(); ++index) {
            const LabelList& list = rules_.lists[index];
            const auto lineOf = [&](int code) {
                const auto found = lines_[index].find(code);
                return found == lines_[index].end() ? 0 : found->second;
            };
            for (std::size_t i = 0; i < list.codes.size(); ++i) {
                if (lineOf(list.codes[i]) != 0)
                    continue;
                const std::string missing = CodeText(list, list.codes[i]);
                if (i > 0) {
                    note(lineOf(list.codes[i - 1]), CodeText(list, list.codes[i - 1]) + " の次の " +
                                                        missing + " の行がありません。");
                    return;
                }
                const auto next = std::find_if(list.codes.begin(), list.codes.end(),
                                               [&](int code) { return lineOf(code) != 0; });
                if (next != list.codes.end()) {
                    note(lineOf(*next),
                         CodeText(list, *next) + " の前の " + missing + " の行がありません。");
                } else {
                    note(lastLine, "一覧 " + std::string(list.keyword) +
                                       " の行が一つもありません（" + missing + " から " +
                                       std::to_string(list.codes.size()) + "行が必要です）。");
                }
                return;
            }
        }
    }

    const LabelFileRules& rules_;
    std::vector<std::map<int, int>> lines_; // for each list, the line of each code's entry
    LabelFileReading reading_;
};

} // namespace

std::string LabelListKeywords(const LabelFileRules& rules)
{
    std::string keywords;
    for (const LabelList& list : rules.lists)
        keywords += (keywords.empty() ? "" : " ") + std::string(list.keyword);
    return keywords;
}

LabelFileReading ReadLabelFile(std::string_view utf8, const LabelFileRules& rules)
{
    return LabelFileReader(rules).read(utf8);
}

CodedLabelReading ReadCodedLabelFile(std::string_view utf8,
                                     std::span<const std::string_view> keywords,
                                     std::vector<std::uint8_t> (*codesOf)(std::string_view))
{
    LabelFileRules rules;
    for (const std::string_view keyword : keywords) {
        const std::vector<std::uint8_t> codes = codesOf(keyword);
        rules.lists.push_back({keyword, std::vector<int>(codes.begin(), codes.end())});
    }
    LabelFileReading reading = ReadLabelFile(utf8, rules);
    CodedLabelReading coded{{}, std::move(reading.problem)};
    for (std::size_t i = 0; i < keywords.size(); ++i) {
        for (auto& [code, entry] : reading.lists[i])
            coded.names.emplace(
                std::pair(std::string(keywords[i]), static_cast<std::uint8_t>(code)),
                std::move(entry.name));
    }
    return coded;
}

} // namespace varn
