#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rom/FileIo.h"

namespace varn {

// The program ships data files, compiled into it: the kanji order of the character table,
// the names of the selection lists and those of the MML page's playback lists. A user may put
// replacements of any in a data folder; the programs load them at start-up, before any text
// is encoded or any list shown, and use them for the rest of the process.
inline constexpr std::string_view kKanjiFileName = "kanji.txt";
inline constexpr std::string_view kItemLabelsFileName = "item_labels.txt";
// The names of the MML page's playback lists (maps, monsters, map themes).
inline constexpr std::string_view kMusicLabelsFileName = "music_labels.txt";
// The enemy page's labels that are the game's names (two races, the seventh element, the
// currency, the bosses of four appearance patterns).
inline constexpr std::string_view kEnemyLabelsFileName = "enemy_labels.txt";

// Every data file, in the order they are loaded and reported.
inline constexpr std::string_view kDataFileNames[] = {kKanjiFileName, kItemLabelsFileName,
                                                      kMusicLabelsFileName, kEnemyLabelsFileName};

// The folder under the user's configuration folder, shared with the settings file.
inline constexpr std::string_view kDataFolderName = "Varnwork";

// A data file larger than this is refused before it is read. Each file holds one line per
// kanji or per code of lists whose codes are fixed, so a replacement has the same lines with
// other names; the shipped files are a few kilobytes (music_labels.txt, the largest, about
// 22 KB), and 1 MiB leaves room for long names and comments many times over.
inline constexpr std::uintmax_t kMaxDataFileSize = 1u << 20;

inline constexpr const char* kBadDataFileMessage = "データファイルが正しくありません。";
inline constexpr const char* kDataFileTooLargeMessage = kFileTooLargeMessage;
inline constexpr const char* kMissingDataFolderMessage = "データフォルダが見つかりません。";

// One refused file (or a data folder given but not found).
struct DataFileProblem {
    std::filesystem::path path;
    // Ready to show: "データファイルが正しくありません。\n<path>\n<line>行目: …", or
    // "ファイルが開けません。\n<path>" for a file that cannot be read.
    std::string message;
};

// What LoadDataFiles did.
struct DataLoadReport {
    std::vector<std::filesystem::path> loaded; // files now used in place of the built-in copies
    std::vector<DataFileProblem> problems;     // refused files, whose built-in copies are used

    bool ok() const { return problems.empty(); }
};

// The data folder: `dataOption` (the folder given on the command line) when there is one;
// else "Varnwork" in the user's configuration folder, $XDG_CONFIG_HOME when that is set and
// not empty, else $HOME/.config; empty when neither variable is set. The variables are passed
// as getenv gives them (nullptr when unset).
std::filesystem::path ResolveDataFolder(const std::optional<std::filesystem::path>& dataOption,
                                        const char* xdgConfigHome, const char* home);

// ResolveDataFolder with the process's environment.
std::filesystem::path ResolveDataFolder(const std::optional<std::filesystem::path>& dataOption);

// Loads the data files of `folder` and installs each one that passes its checks in place of
// its built-in copy, for the rest of the process. A file the folder lacks keeps (or gets back)
// its built-in copy, as does a refused file: one that cannot be read, is larger than
// kMaxDataFileSize, or fails ParseKanjiOrder / ParseItemLabels / ParseMusicLabels /
// ParseEnemyLabels; the report
// holds its message.
// The files are independent: one refused file does not keep another from loading. An
// empty path, or a folder that does not exist, leaves the built-in copies in use; with
// `folderRequired` (a folder the user named) a folder that does not exist is a problem.
//
// Call it before the codec or the lists are used; calling it again later is safe (references
// taken before keep showing the data they were taken from) but does not update them.
DataLoadReport LoadDataFiles(const std::filesystem::path& folder, bool folderRequired = false);

// Puts the built-in copies of the files back in use.
void UseBuiltInDataFiles();

// The text to show when the programs go on after refused files: every problem's message,
// each followed by the line that the built-in copy of that file is used, separated by blank
// lines. Empty for a report without problems.
std::string DataLoadWarning(const DataLoadReport& report);

} // namespace varn
