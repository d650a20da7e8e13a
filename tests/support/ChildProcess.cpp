#include "support/ChildProcess.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "support/ToolRun.h"

namespace varn::test {

namespace {

int ExitCodeOf(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Starts a program with its output redirected; the child never returns.
pid_t StartProgram(const std::vector<std::string>& arguments, const char* outPath,
                   const char* errPath)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    const int out = ::open(outPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(errPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0)
        ::_exit(127);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

} // namespace

int RunInChild(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return ExitCodeOf(status);
}

int RunWithFileSizeLimit(std::uint64_t maxFileBytes, const std::function<int()>& body)
{
    return RunInChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{maxFileBytes, maxFileBytes};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return kChildCannotTest;
        return body();
    });
}

int RunUnprivileged(const std::function<int()>& body)
{
    return RunInChild([&] {
        if (::geteuid() == 0) {
            constexpr uid_t kNobody = 65534;
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
                return kChildCannotTest;
        }
        return body();
    });
}

BackgroundProgram::BackgroundProgram(const std::vector<std::string>& arguments,
                                     const std::filesystem::path& outPath,
                                     const std::filesystem::path& errPath)
    : pid_(StartProgram(arguments, outPath.c_str(), errPath.c_str()))
{}

BackgroundProgram::~BackgroundProgram()
{
    if (pid_ > 0)
        kill();
}

void BackgroundProgram::kill()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    wait();
}

int BackgroundProgram::wait()
{
    if (pid_ > 0) {
        while (::waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }
    return ExitCodeOf(status_);
}

MeasuredRun RunMeasured(const std::vector<std::string>& arguments)
{
    // A process started from this one inherits this one's peak memory, so the program is
    // started by a small Python process instead, which reports the peak of its child alone.
    static const char* const kMeasure =
        "import resource, subprocess, sys, time\n"
        "start = time.monotonic()\n"
        "code = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL,\n"
        "                      stderr=subprocess.DEVNULL).returncode\n"
        "elapsed = int((time.monotonic() - start) * 1000)\n"
        "peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss\n"
        "print(code, peak, elapsed)\n";
    std::vector<std::string> command{"/usr/bin/python3", "-c", kMeasure};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const ToolRun run = RunTool(command);
    MeasuredRun measured;
    long long elapsed = 0;
    if (run.exitCode != 0 ||
        std::sscanf(run.out.c_str(), "%d %ld %lld", &measured.exitCode, &measured.peakKiB,
                    &elapsed) != 3)
        return MeasuredRun{};
    measured.elapsed = std::chrono::milliseconds(elapsed);
    return measured;
}

} // namespace varn::test
