#pragma once

#include <string>
#include <vector>

namespace varn::test {

// What a program run by the tests printed and how it ended.
struct ToolRun {
    int exitCode = -1; // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs `arguments[0]` with the rest as its arguments (no shell expansion of any of them)
// and collects its standard output and error.
ToolRun RunTool(const std::vector<std::string>& arguments);

} // namespace varn::test
