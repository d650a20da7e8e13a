// Patch list files as "リスト読み込み" and varnwork-cli apply read them: the bytes decoded as a
// text file (DecodeTextFileBytes), then ParsePatchListText.
//
// The entries read are written again as the list file "リスト保存" writes (FormatPatchList,
// then EncodeTextFileBytes) and read back: every path and target must come back, once with
// the targets read and once without targets (a line without a target reads as target 0).
// Targets are written as two hexadecimal digits, so only the lines with a target from 00 to
// FF take part. Without a target a path ends its line, where the reader trims blanks (space,
// tab, carriage return) from the line end, so paths that end with one are left out of that
// trip, as are empty paths, whose line would be empty.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "patchlist/PatchList.h"
#include "patchlist/PatchListFile.h"
#include "text/Cp932.h"
#include "text/Utf8.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    varn::fuzz::KeepCp932ConverterLoaded();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    const std::string text = DecodeTextFileBytes(fuzz::Text(data, size));
    fuzz::Require(IsValidUtf8(text), "a decoded list file is UTF-8");
    const std::vector<PatchListLine> lines = ParsePatchListText(text);

    std::vector<PatchListLine> kept;
    std::vector<PatchEntry> entries;
    std::vector<PatchListLine> keptWithoutTarget;
    std::vector<PatchEntry> entriesWithoutTarget;
    for (const PatchListLine& line : lines) {
        fuzz::Require(line.path.find('\n') == std::string::npos, "a path holds no line break");
        if (line.target < 0 || line.target > 0xFF)
            continue;
        kept.push_back(line);
        entries.push_back(PatchEntry{PatchKind::Vnp, line.path, line.target});
        const bool endsWithBlank =
            !line.path.empty() &&
            (line.path.back() == ' ' || line.path.back() == '\t' || line.path.back() == '\r');
        if (!line.path.empty() && !endsWithBlank) {
            keptWithoutTarget.push_back(PatchListLine{line.path, 0});
            entriesWithoutTarget.push_back(PatchEntry{PatchKind::Ips, line.path, -1});
        }
    }

    std::tm now{};
    now.tm_year = 2024 - 1900;
    now.tm_mon = 2;
    now.tm_mday = 9;
    const std::string written = FormatPatchList(entries, now);
    fuzz::Require(ParsePatchListText(written) == kept, "a formatted list reads back the same");
    const std::string bytes = EncodeTextFileBytes(written);
    fuzz::Require(ParsePatchListText(DecodeTextFileBytes(bytes)) == kept,
                  "a saved list file reads back the same");

    const std::string withoutTargets = FormatPatchList(entriesWithoutTarget, now);
    fuzz::Require(ParsePatchListText(withoutTargets) == keptWithoutTarget,
                  "a formatted list without targets reads back the same");
    return 0;
}
