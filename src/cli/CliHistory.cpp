#include <ctime>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "rom/ImageHistory.h"
#include "rom/ImageUndo.h"
#include "rom/RomImageEdit.h"

namespace varn::cli {

namespace {

// When an entry was made, in the local time: "2026-12-10 15:30:12".
std::string LocalTime(std::int64_t seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    ::localtime_r(&time, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// history ROM [--clear]: the changes recorded for the image, the present state marked.
int History(Arguments arguments, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> operands;
    bool clear = false;
    for (const std::string& argument : arguments) {
        if (argument == "--clear")
            clear = true;
        else if (argument.starts_with("--"))
            return UsageError(err, "unknown option: " + argument);
        else
            operands.push_back(argument);
    }
    if (operands.size() != 1)
        return UsageError(err, "history takes one ROM image");
    const std::filesystem::path folder = HistoryFolder();
    if (folder.empty())
        return Fail(err, kNoHistoryFolderMessage);
    ImageHistory history = ReadImageHistory(operands[0], folder);
    if (clear) {
        if (const Status cleared = history.clear(); !cleared)
            return Fail(err, cleared.message());
        out << "cleared the history of " << std::filesystem::path(operands[0]).filename().string()
            << '\n';
        return kExitOk;
    }
    const std::vector<HistoryEntry>& entries = history.entries();
    out << "history of " << std::filesystem::path(operands[0]).filename().string() << ": "
        << history.position() << " of " << entries.size() << " changes applied\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const bool present = i + 1 == history.position();
        out << (present ? " * " : "   ") << i + 1 << "  " << LocalTime(entries[i].time) << "  "
            << entries[i].what << (i + 1 > history.position() ? "  (undone)" : "") << '\n';
    }
    return kExitOk;
}

// undo|redo ROM [--steps N] [--backup]: takes back the last N changes, or applies again the
// next N.
int Step(Arguments arguments, std::ostream& out, std::ostream& err, bool undo)
{
    std::vector<std::string> operands;
    std::size_t steps = 1;
    bool backup = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--backup") {
            backup = true;
        } else if (argument == "--steps") {
            if (i + 1 == arguments.size())
                return UsageError(err, "--steps needs a number");
            const std::string& text = arguments[++i];
            std::size_t value = 0;
            bool digits = !text.empty() && text.size() <= 4;
            for (const char c : text) {
                digits = digits && c >= '0' && c <= '9';
                value = value * 10 + static_cast<std::size_t>(c - '0');
            }
            if (!digits || value == 0)
                return UsageError(err, "--steps takes a number from 1: " + text);
            steps = value;
        } else if (argument.starts_with("--")) {
            return UsageError(err, "unknown option: " + argument);
        } else {
            operands.push_back(argument);
        }
    }
    if (operands.size() != 1)
        return UsageError(err, std::string(undo ? "undo" : "redo") + " takes one ROM image");
    const ImageChangeOptions options = RecordedChange(backup, {});
    if (options.history.empty())
        return Fail(err, kNoHistoryFolderMessage);
    const Status done = undo ? UndoImageChanges(operands[0], steps, options)
                             : RedoImageChanges(operands[0], steps, options);
    if (!done)
        return Fail(err, done.message());
    const ImageHistory history = ReadImageHistory(operands[0], options.history);
    out << (undo ? "undone " : "redone ") << steps << (steps == 1 ? " change" : " changes")
        << "; " << history.position() << " of " << history.entries().size()
        << " changes applied\n";
    return kExitOk;
}

} // namespace

int RunHistory(Arguments arguments, std::ostream& out, std::ostream& err)
{
    return History(arguments, out, err);
}

int RunUndo(Arguments arguments, std::ostream& out, std::ostream& err)
{
    return Step(arguments, out, err, true);
}

int RunRedo(Arguments arguments, std::ostream& out, std::ostream& err)
{
    return Step(arguments, out, err, false);
}

} // namespace varn::cli
