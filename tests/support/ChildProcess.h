#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/ToolRun.h"

namespace varn::test {

// Runs `body` in a forked child and returns its exit code (what `body` returned), or -1 when
// the child ended otherwise (a signal). For faults a test must not cause in its own process:
// a file size limit, fewer privileges, a mount of its own.
int RunInChild(const std::function<int()>& body);

// The child's exit code that tells the test the situation could not be made here (no
// privilege to mount, say), so the test is skipped rather than failed.
inline constexpr int kChildCannotTest = 77;

// Runs `body` in a child whose files may not grow past `maxFileBytes`: a write beyond that
// fails (as on a full disk) instead of stopping the process.
int RunWithFileSizeLimit(std::uint64_t maxFileBytes, const std::function<int()>& body);

// Runs `arguments[0]` with the rest as its arguments, its files limited to `maxFileBytes` as
// `ulimit -f` limits them, and collects its standard output and error (through pipes, which
// the limit does not reach). The program starts with the signal of the limit (SIGXFSZ) at its
// default, which ends a program that does not ignore it.
ToolRun RunToolWithFileSizeLimit(std::uint64_t maxFileBytes,
                                 const std::vector<std::string>& arguments);

// Runs `body` in a child without the privileges of root (as user and group "nobody" when the
// tests run as root), so that permissions hold as they do for a user.
int RunUnprivileged(const std::function<int()>& body);

// A program started in the background, its output going to files.
class BackgroundProgram {
public:
    // Starts `arguments[0]` with the rest as its arguments; standard output and error go to
    // `outPath` and `errPath`.
    BackgroundProgram(const std::vector<std::string>& arguments, const std::filesystem::path& outPath,
                      const std::filesystem::path& errPath);
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    // Kills it at once (SIGKILL) and waits for it.
    void kill();
    // Waits for it to end; returns its exit code, or -1 when a signal ended it.
    int wait();

private:
    pid_t pid_ = -1;
    int status_ = 0;
};

// What a program run to its end used: its exit code, peak memory and wall time.
struct MeasuredRun {
    int exitCode = -1;
    long peakKiB = 0;
    std::chrono::milliseconds elapsed{0};
};

// Runs `arguments[0]` with the rest as its arguments, its output discarded, and measures it.
MeasuredRun RunMeasured(const std::vector<std::string>& arguments);

} // namespace varn::test
