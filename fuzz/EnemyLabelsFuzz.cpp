// The enemy label file a user may put in place of the built-in one (ParseEnemyLabels), read
// from the bytes of a file as the programs read them (DecodeTextFileBytes) and from the bytes
// as they are. Nothing is installed: every accepted set would stay in memory for the run.
//
// Properties: accepted labels name every code of every list exactly once with a name that is
// not empty, and read back the same written one entry a line; a refusal names a line of the
// file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "enemy/EnemyLabels.h"
#include "rom/HexText.h"
#include "text/Cp932.h"

namespace varn::fuzz {
namespace {

void CheckLabels(std::string_view text)
{
    const Result<EnemyLabels> labels = ParseEnemyLabels(text);
    if (!labels) {
        const std::string& message = labels.message();
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
        return;
    }
    std::size_t expected = 0;
    std::string rewritten;
    for (const std::string_view list : EnemyLabelListNames()) {
        for (const std::uint8_t code : EnemyLabelCodes(list)) {
            ++expected;
            const auto found = labels.value().names.find({std::string(list), code});
            Require(found != labels.value().names.end() && !found->second.empty(),
                    "accepted labels name every code");
            rewritten += std::string(list) + " " + HexDigits(code, 2) + " " + found->second + "\n";
        }
    }
    Require(labels.value().names.size() == expected, "accepted labels name only the codes");
    const Result<EnemyLabels> again = ParseEnemyLabels(rewritten);
    Require(again.ok() && again.value().names == labels.value().names,
            "accepted labels read back the same");
}

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    fuzz::KeepCp932ConverterLoaded();
    const std::string_view bytes = fuzz::Text(data, size);
    fuzz::CheckLabels(DecodeTextFileBytes(bytes));
    fuzz::CheckLabels(bytes);
    return 0;
}
