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
//
// The bytes also drive a list through adds, removals, moves, target changes and clears, the
// character patches' targets asked for by the bytes: after every step the character patches
// hold distinct targets, and the free target the list finds (the first free one, or the one
// asked for when free) is the one a search through every entry finds.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "charpatch/ApplyCharacterPatch.h"
#include "patchlist/PatchList.h"
#include "patchlist/PatchListFile.h"
#include "text/Cp932.h"
#include "text/Utf8.h"

namespace varn::fuzz {
namespace {

// The target a search through every entry finds: `requested` when it is a target no
// character patch holds, the first free target for none (-1), else -1.
int FreeTargetBySearch(const PatchList& list, int requested)
{
    const auto held = [&](int code) {
        for (const PatchEntry& entry : list.entries()) {
            if (entry.kind == PatchKind::Vnp && entry.target == code)
                return true;
        }
        return false;
    };
    const auto isTarget = [](int code) {
        for (std::uint8_t target : kCharacterPatchTargets) {
            if (target == code)
                return true;
        }
        return false;
    };
    if (requested >= 0)
        return isTarget(requested) && !held(requested) ? requested : -1;
    for (std::uint8_t code : kCharacterPatchTargets) {
        if (!held(code))
            return code;
    }
    return -1;
}

void CheckTargets(const PatchList& list, int asked)
{
    std::vector<int> held;
    for (const PatchEntry& entry : list.entries()) {
        if (entry.kind != PatchKind::Vnp)
            continue;
        for (int other : held)
            Require(other != entry.target, "character patches hold distinct targets");
        held.push_back(entry.target);
    }
    Require(list.allocateTarget() == FreeTargetBySearch(list, -1),
            "the first free target is the one a search finds");
    Require(list.allocateTarget(asked) == FreeTargetBySearch(list, asked),
            "a target asked for is free exactly when a search finds it free");
}

// Runs the list operations the bytes give, two bytes a step.
void DriveList(std::span<const std::uint8_t> bytes)
{
    static ScratchFile vnp;
    static ScratchFile ips;
    static const std::filesystem::path vnpPath = vnp.write("VNP");
    static const std::filesystem::path ipsPath = ips.write("PATCH");
    PatchList list;
    for (std::size_t i = 0; i + 1 < bytes.size() && i < 512; i += 2) {
        const std::uint8_t op = bytes[i];
        const std::uint8_t value = bytes[i + 1];
        const std::size_t index = list.empty() ? 0 : value % list.size();
        switch (op % 7) {
        case 0:
        case 1:
            list.addVnp(vnpPath, op % 2 == 0 ? -1 : value, index);
            break;
        case 2:
            list.addIps(ipsPath, value % 3 == 0 ? std::nullopt : std::optional(index));
            break;
        case 3:
            list.remove(index);
            break;
        case 4:
            list.move(index, list.empty() ? 0 : op % list.size());
            break;
        case 5:
            list.changeTarget(index, value);
            break;
        default:
            if (value == 0)
                list.clear();
            break;
        }
        CheckTargets(list, value);
    }
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

    fuzz::DriveList(fuzz::Bytes(data, size));
    return 0;
}
