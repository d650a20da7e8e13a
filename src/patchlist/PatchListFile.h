#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "patchlist/PatchList.h"
#include "rom/Result.h"

namespace varn {

// The list file of the patch list: a text file with CR LF line ends, written in the Japanese
// code page where every character allows it. The first line is
// "// Varnpatch Patch List yyyy/mm/dd hh:mm:ss"; then one line per entry, the full path and, for
// an entry with a target, ", " and the target's two hexadecimal digits. A path that holds a
// comma, or begins with a double quote or "//", is written between double quotes, with a
// quote in it doubled, so that it reads back whole; other paths are written as they are.

// The text of a list file for the entries, dated `now`.
std::string FormatPatchList(const std::vector<PatchEntry>& entries, const std::tm& now);

// Writes the list file (replacing the file only once it is whole). A file the list names is
// never replaced: "出力先が入力ファイルと同じです。" and the name.
Status SavePatchList(const std::filesystem::path& path, const std::vector<PatchEntry>& entries,
                     const std::tm& now);

// One entry line of a list file: the path and the target written after it (0 when the line has
// no comma, -1 when what follows the comma is not a hexadecimal number).
struct PatchListLine {
    std::string path;
    int target = 0;

    friend bool operator==(const PatchListLine&, const PatchListLine&) = default;
};

// The entry lines of a list file's text; lines beginning with "//" and empty lines are skipped.
std::vector<PatchListLine> ParsePatchListText(std::string_view text);

// The largest list file read. A list holds what one image takes in one go: a character patch
// for each of the targets, a song for each of the 79 music numbers from 0xB0, and the IPS and
// BPS patches put before and between them, a few dozen in practice. A thousand entries of a
// full path of 1 KiB each, far above that, fit in 1 MiB; the editor writes one line of a full
// path (usually under 200 bytes) per entry.
inline constexpr std::uintmax_t kMaxPatchListFileSize = std::uintmax_t{1} << 20;

inline constexpr const char* kListLoadFailedMessage =
    "読み込みに失敗したファイルがあります。\nリストを確認してください。";

// What loading a list file left out: the entries of the lines that could not be added (a file
// of no known kind, or a character patch whose target is taken), in the file's order.
struct PatchListLoad {
    std::vector<std::filesystem::path> failedEntries;

    // Whether any line failed: the user is told to check the list
    // (kListLoadFailedMessage).
    bool anyFailed() const { return !failedEntries.empty(); }
};

// Loads a list file into `list`, replacing it: each line is added by its extension (a character
// patch with the target the line gives), and lines that fail are passed over and named in the
// result. A relative path is taken from the list file's folder. Fails, the list unchanged, with
// "ファイルが開けません。" when the file cannot be read and with "ファイルが大きすぎます。" when
// it is larger than kMaxPatchListFileSize (told before it is read).
Result<PatchListLoad> LoadPatchList(const std::filesystem::path& path, PatchList& list);

} // namespace varn
