#include "support/DataFileText.h"

#include "charpatch/ItemLists.h"
#include "rom/HexText.h"
#include "text/CharacterTable.h"
#include "text/Utf8.h"

namespace varn::test {

std::vector<char32_t> BuiltInKanji()
{
    const KanjiOrder& order = BuiltInKanjiOrder();
    return {order.begin(), order.end()};
}

std::string KanjiFileText(const std::vector<char32_t>& kanji)
{
    std::string text;
    for (const char32_t c : kanji)
        text += U32ToUtf8(std::u32string(1, c)) + "\n";
    return text;
}

std::vector<std::string> LabelEntries(const std::string& prefix)
{
    std::vector<std::string> entries;
    for (const std::string_view list : ItemLabelListNames()) {
        for (const std::uint8_t code : ItemLabelCodes(list)) {
            const std::string& name = BuiltInItemLabels().names.at({std::string(list), code});
            entries.push_back(std::string(list) + " " + HexDigits(code, 2) + " " + prefix + name);
        }
    }
    return entries;
}

std::string LabelFileText(const std::vector<std::string>& entries)
{
    std::string text;
    for (const std::string& entry : entries)
        text += entry + "\n";
    return text;
}

} // namespace varn::test
