#include "support/ToolRun.h"

#include <cstdlib>
#include <sys/wait.h>

#include "support/TempDir.h"

namespace varn::test {

namespace {

std::string ShellQuote(const std::string& argument)
{
    std::string quoted = "'";
    for (char c : argument) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string ReadText(const std::filesystem::path& path)
{
    const auto bytes = ReadFileBytes(path);
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

} // namespace

ToolRun RunTool(const std::vector<std::string>& arguments)
{
    TempDir dir;
    std::string command;
    for (const std::string& argument : arguments)
        command += ShellQuote(argument) + " ";
    command += ">" + ShellQuote((dir.path() / "out").string()) + " 2>" +
               ShellQuote((dir.path() / "err").string());
    const int status = std::system(command.c_str());

    ToolRun run;
    run.exitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadText(dir.path() / "out");
    run.err = ReadText(dir.path() / "err");
    return run;
}

} // namespace varn::test
