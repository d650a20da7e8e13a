#pragma once

#include <string>
#include <vector>

#include "support/ToolRun.h"

namespace varn::test {

using CliRun = ToolRun;

// Runs the built varnwork-cli with `arguments` and collects what it prints.
inline CliRun RunCli(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), VARNWORK_CLI);
    return RunTool(arguments);
}

} // namespace varn::test
