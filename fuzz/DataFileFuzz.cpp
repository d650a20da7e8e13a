// The data files a user may put in place of the built-in ones: the kanji order
// (ParseKanjiOrder) and the item labels (ParseItemLabels), read from the bytes of a file as
// the programs read them (DecodeTextFileBytes) and from the bytes as they are (which need not
// be UTF-8). Nothing is installed: every accepted order would stay in memory for the rest of
// the run.
//
// Properties: an accepted kanji order is 847 distinct kanji, none of them a character the
// built-in table holds at a position the kanji do not fill, and reads back the same written
// one a line; accepted labels name every code of every list once, and read back the same
// written one entry a line; a refusal names a line of the file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "charpatch/ItemLists.h"
#include "rom/HexText.h"
#include "text/CharacterTable.h"
#include "text/Cp932.h"
#include "text/Utf8.h"

namespace varn::fuzz {
namespace {

// A refusal begins with "<line>行目: ", the line one of the text's.
void CheckRefusal(std::string_view text, const std::string& message)
{
    std::size_t digits = 0;
    long line = 0;
    while (digits < message.size() && digits < 9 && message[digits] >= '0' &&
           message[digits] <= '9') {
        line = line * 10 + (message[digits] - '0');
        ++digits;
    }
    Require(digits > 0 && std::string_view(message).substr(digits).starts_with("行目: "),
            "a refusal names a line");
    const auto lines = static_cast<long>(std::count(text.begin(), text.end(), '\n')) + 1;
    Require(line >= 1 && line <= lines, "the line named is one of the file's");
}

void CheckKanjiFile(std::string_view text)
{
    const Result<KanjiOrder> order = ParseKanjiOrder(text);
    if (!order) {
        CheckRefusal(text, order.message());
        return;
    }
    const KanjiOrder& kanji = order.value();
    Require(std::set<char32_t>(kanji.begin(), kanji.end()).size() == kanji.size(),
            "an accepted order holds distinct kanji");
    const KanjiOrder& builtIn = BuiltInKanjiOrder();
    std::string rewritten;
    for (const char32_t c : kanji) {
        Require(FindCharacter(c) < 0 ||
                    std::find(builtIn.begin(), builtIn.end(), c) != builtIn.end(),
                "no accepted kanji is a fixed entry of the table");
        rewritten += U32ToUtf8(std::u32string(1, c)) + "\n";
    }
    const Result<KanjiOrder> again = ParseKanjiOrder(rewritten);
    Require(again && again.value() == kanji, "an accepted order reads back the same");
}

void CheckLabelFile(std::string_view text)
{
    const Result<ItemLabels> labels = ParseItemLabels(text);
    if (!labels) {
        CheckRefusal(text, labels.message());
        return;
    }
    std::size_t codes = 0;
    for (const std::string_view list : ItemLabelListNames()) {
        for (const std::uint8_t code : ItemLabelCodes(list)) {
            const auto found = labels.value().names.find({std::string(list), code});
            Require(found != labels.value().names.end() && !found->second.empty(),
                    "accepted labels name every code");
            ++codes;
        }
    }
    Require(labels.value().names.size() == codes, "accepted labels name nothing else");
    std::string rewritten;
    for (const auto& [key, name] : labels.value().names)
        rewritten += key.first + " " + HexDigits(key.second, 2) + " " + name + "\n";
    const Result<ItemLabels> again = ParseItemLabels(rewritten);
    Require(again && again.value().names == labels.value().names,
            "accepted labels read back the same");
}

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    varn::fuzz::KeepCp932ConverterLoaded();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    const std::string_view bytes = fuzz::Text(data, size);
    const std::string decoded = DecodeTextFileBytes(bytes);
    for (const std::string_view text : {bytes, std::string_view(decoded)}) {
        fuzz::CheckKanjiFile(text);
        fuzz::CheckLabelFile(text);
    }
    return 0;
}
