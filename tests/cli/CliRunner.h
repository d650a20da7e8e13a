#pragma once

#include <string>
#include <vector>

namespace varn::test {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the built varnwork-cli with `arguments` and collects what it prints.
CliRun RunCli(const std::vector<std::string>& arguments);

} // namespace varn::test
