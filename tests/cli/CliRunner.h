#pragma once

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace varn::test {

// The shipped examples, and the example character patch among them.
inline const std::filesystem::path kExamples = VARN_EXAMPLES_DIR;
inline const std::string kExample = (kExamples / "example_character.vnp").string();

using CliRun = ToolRun;

// Whether the tool run by the tests looks for leaks when it ends. In the sanitizer build that
// check takes half the time of a short command, and the tests run the tool a thousand times,
// so they leave it out (every other check of the sanitizers stays, and the test programs check
// their own leaks); CheckingLeaks turns it on for the commands that stand for every verb that
// writes (the history test runs them all).
enum class LeakCheck { Skipped, CheckingLeaks };

// The sanitizer options for the tool: the test's own, with the leak check as asked.
inline std::string ToolSanitizerOptions(LeakCheck leaks)
{
    const char* own = std::getenv("ASAN_OPTIONS");
    std::string options = own != nullptr ? own : "";
    if (!options.empty())
        options += ':';
    return "ASAN_OPTIONS=" + options +
           (leaks == LeakCheck::CheckingLeaks ? "detect_leaks=1" : "detect_leaks=0");
}

// Runs the built varnwork-cli with `arguments`, with XDG_CONFIG_HOME set to `configHome` (the
// folder whose "Varnwork" folder holds the user's data files) and XDG_STATE_HOME to a folder in
// it (where the images' histories are kept), and collects what it prints.
inline CliRun RunCliWithConfigHome(const std::filesystem::path& configHome,
                                   std::vector<std::string> arguments,
                                   LeakCheck leaks = LeakCheck::Skipped)
{
    arguments.insert(arguments.begin(),
                     {"env", "XDG_CONFIG_HOME=" + configHome.string(),
                      "XDG_STATE_HOME=" + (configHome / "state").string(),
                      ToolSanitizerOptions(leaks), VARNWORK_CLI});
    return RunTool(arguments);
}

// An empty configuration folder, so that data files the user keeps do not change what the
// tests see.
inline const std::filesystem::path& EmptyConfigHome()
{
    static const TempDir dir;
    return dir.path();
}

// Runs the built varnwork-cli with `arguments` and collects what it prints.
inline CliRun RunCli(std::vector<std::string> arguments, LeakCheck leaks = LeakCheck::Skipped)
{
    return RunCliWithConfigHome(EmptyConfigHome(), std::move(arguments), leaks);
}

// Runs the built varnwork-cli as RunCli does, its files limited to `maxFileBytes` as
// `ulimit -f` limits them, with the limit's signal at its default: the tool must ignore it
// itself to report a write past the limit.
inline CliRun RunCliWithFileSizeLimit(std::uint64_t maxFileBytes,
                                      std::vector<std::string> arguments)
{
    arguments.insert(
        arguments.begin(),
        {"/usr/bin/env", "XDG_CONFIG_HOME=" + EmptyConfigHome().string(),
         ToolSanitizerOptions(LeakCheck::Skipped), VARNWORK_CLI});
    return RunToolWithFileSizeLimit(maxFileBytes, arguments);
}

// What a folder holds: every name under it, with a link's target or a file's bytes.
using FolderContents = std::map<std::string, std::string>;

inline FolderContents Contents(const std::filesystem::path& folder)
{
    FolderContents contents;
    for (const std::filesystem::directory_entry& entry :
         std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = std::filesystem::relative(entry.path(), folder).string();
        if (entry.is_symlink()) {
            contents[name] = "link to " + std::filesystem::read_symlink(entry.path()).string();
        } else if (entry.is_regular_file()) {
            const std::vector<std::uint8_t> bytes = ReadFileBytes(entry.path());
            contents[name].assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        } else {
            contents[name] = "folder";
        }
    }
    return contents;
}

// The first name whose contents differ between the two, or that only one of them has.
inline std::string FirstDifference(const FolderContents& before, const FolderContents& after)
{
    for (const auto& [name, contents] : before) {
        const auto found = after.find(name);
        if (found == after.end())
            return name + " is gone";
        if (found->second != contents)
            return name + " changed";
    }
    for (const auto& [name, contents] : after) {
        if (!before.contains(name))
            return name + " appeared";
    }
    return {};
}

} // namespace varn::test
