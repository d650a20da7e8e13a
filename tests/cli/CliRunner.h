#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace varn::test {

using CliRun = ToolRun;

// Runs the built varnwork-cli with `arguments`, with XDG_CONFIG_HOME set to `configHome` (the
// folder whose "Varnwork" folder holds the user's data files), and collects what it prints.
inline CliRun RunCliWithConfigHome(const std::filesystem::path& configHome,
                                   std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(),
                     {"env", "XDG_CONFIG_HOME=" + configHome.string(), VARNWORK_CLI});
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
inline CliRun RunCli(std::vector<std::string> arguments)
{
    return RunCliWithConfigHome(EmptyConfigHome(), std::move(arguments));
}

} // namespace varn::test
