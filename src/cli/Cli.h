#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/DataFiles.h"

namespace varn {
struct ExtensionTable;
struct ImageChangeOptions;
}

namespace varn::cli {

// Exit statuses: done, bad command line (usage printed), the command failed (message printed).
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitFailure = 2;

using Arguments = std::span<const std::string>;

// A verb of the command-line tool: its name, its synopsis lines for --help, and what runs it
// with the arguments after the verb.
struct Verb {
    std::string_view name;
    std::string_view usage;
    int (*run)(Arguments arguments, std::ostream& out, std::ostream& err);
};

int RunIdentify(Arguments arguments, std::ostream& out, std::ostream& err);
int RunText(Arguments arguments, std::ostream& out, std::ostream& err);
int RunSheet(Arguments arguments, std::ostream& out, std::ostream& err);
int RunAnim(Arguments arguments, std::ostream& out, std::ostream& err);
int RunVnp(Arguments arguments, std::ostream& out, std::ostream& err);
int RunIps(Arguments arguments, std::ostream& out, std::ostream& err);
int RunMml(Arguments arguments, std::ostream& out, std::ostream& err);
int RunEnemy(Arguments arguments, std::ostream& out, std::ostream& err);
int RunApply(Arguments arguments, std::ostream& out, std::ostream& err);
int RunData(Arguments arguments, std::ostream& out, std::ostream& err);
int RunBps(Arguments arguments, std::ostream& out, std::ostream& err);
int RunDiff(Arguments arguments, std::ostream& out, std::ostream& err);
int RunSkill(Arguments arguments, std::ostream& out, std::ostream& err);
int RunSpark(Arguments arguments, std::ostream& out, std::ostream& err);
int RunHistory(Arguments arguments, std::ostream& out, std::ostream& err);
int RunUndo(Arguments arguments, std::ostream& out, std::ostream& err);
int RunRedo(Arguments arguments, std::ostream& out, std::ostream& err);

// The data folder the tool read before running the verb (empty when there is none) and what
// loading it gave; main records it, the verb "data" reports it.
struct DataFolderState {
    std::filesystem::path folder;
    DataLoadReport report;
};
void SetDataFolderState(DataFolderState state);
const DataFolderState& CurrentDataFolderState();

// The file name of `path`, without its folders, as messages name a file.
std::string FileName(const std::string& path);

// An option's number: one to `maxDigits` digits of `base` (10 or 16) and nothing else.
std::optional<int> ParseNumber(std::string_view text, int base, std::size_t maxDigits);

// Bytes as upper-case two-digit hexadecimal separated by single spaces.
std::string HexBytes(std::span<const std::uint8_t> bytes);

// Loads the extension characters (and the ExtensionChar setting) from the settings file given
// with --ini, as the editor does at start-up; a file that is not there is refused with its
// message, since a mistyped name would otherwise pass silently, and so is a file too large to
// be a settings file.
std::optional<std::string> LoadIniExtensions(const std::optional<std::string>& ini,
                                             ExtensionTable& extensions);

// Splits the arguments of a verb that changes the image and takes no option but --backup:
// the operands in order, and the backup switch in `options`. Returns the problem with an
// unknown option, to report as a usage error.
std::optional<std::string> SplitBackupOption(Arguments arguments, std::vector<std::string>& operands,
                                             ImageChangeOptions& options);

// How a verb changes the image: with `backup`, and recorded in the image's history as `what`
// (the verb and its subject, "mml compile B0") in the user's state folder.
ImageChangeOptions RecordedChange(bool backup, std::string what);
// The same for options a verb has filled already.
void Record(ImageChangeOptions& options, std::string what);

// The message for a user whose state folder for the history cannot be found.
inline constexpr const char* kNoHistoryFolderMessage =
    "履歴の保存先が見つかりません（XDG_STATE_HOME も HOME も設定されていません）。";

// Prints the usage of every verb.
void PrintUsage(std::ostream& stream);

// Reports a bad command line: the problem, then the usage; returns kExitUsage.
int UsageError(std::ostream& err, std::string_view problem);

// Reports a failed command: its message; returns kExitFailure.
int Fail(std::ostream& err, std::string_view message);

} // namespace varn::cli
