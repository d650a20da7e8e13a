#include "support/ChildProcess.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
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

ToolRun RunToolWithFileSizeLimit(std::uint64_t maxFileBytes,
                                 const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return {};
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit{maxFileBytes, maxFileBytes};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0 || ::dup2(out[1], 1) < 0 ||
            ::dup2(err[1], 2) < 0)
            ::_exit(127);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    ToolRun run;
    // Both pipes are read as the program writes them, so that neither fills and stops it.
    pollfd pipes[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* texts[2] = {&run.out, &run.err};
    int open = pid > 0 ? 2 : 0;
    while (open > 0) {
        if (::poll(pipes, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (pipes[i].fd < 0 || pipes[i].revents == 0)
                continue;
            char buffer[4096];
            const ::ssize_t got = ::read(pipes[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                texts[i]->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                pipes[i].fd = -1;
                --open;
            }
        }
    }
    ::close(out[0]);
    ::close(err[0]);
    if (pid > 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        run.exitCode = ExitCodeOf(status);
    }
    return run;
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
