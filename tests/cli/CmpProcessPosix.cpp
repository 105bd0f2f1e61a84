#include "cli/CmpProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <linux/capability.h>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mvx::test {

namespace {

// Root reads any file whatever its permissions; without these two rights in
// its bounding set, not even the program that root starts does.
bool DropReadOverride()
{
    if (::geteuid() != 0)
        return true;
    return ::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) == 0 &&
           ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) == 0;
}

} // namespace

CmpProcess::CmpProcess(const std::vector<std::string> &arguments, Options options)
{
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot make a pipe");
    int errRead = -1;
    int errWrite = -1;
    if (options.errorOnTerminal) {
        errRead = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (errRead < 0 || ::grantpt(errRead) != 0 || ::unlockpt(errRead) != 0)
            throw std::runtime_error("cannot open a pseudo-terminal");
        errWrite = ::open(::ptsname(errRead), O_RDWR | O_NOCTTY | O_CLOEXEC);
    } else {
        int err[2];
        if (::pipe2(err, O_CLOEXEC) != 0)
            throw std::runtime_error("cannot make a pipe");
        errRead = err[0];
        errWrite = err[1];
    }
    if (errWrite < 0)
        throw std::runtime_error("cannot open the child's standard error");

    std::vector<std::string> argv = {MVX_CMP_PROGRAM};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char *> pointers;
    pointers.reserve(argv.size() + 1);
    for (std::string &argument : argv)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);

    pid_ = ::fork();
    if (pid_ < 0)
        throw std::runtime_error("cannot fork");
    if (pid_ == 0) {
        const int nothing = ::open("/dev/null", O_RDONLY);
        ::dup2(nothing, STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(errWrite, STDERR_FILENO);
        ::signal(SIGINT, SIG_DFL);
        if (options.withoutReadOverride && !DropReadOverride())
            ::_exit(kCannotDropOverride);
        ::execv(pointers.front(), pointers.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(errWrite);
    outFd_ = out[0];
    errFd_ = errRead;
}

CmpProcess::~CmpProcess()
{
    if (!reaped_ && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (outFd_ >= 0)
        ::close(outFd_);
    if (errFd_ >= 0)
        ::close(errFd_);
}

bool CmpProcess::ReadSome()
{
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (outFd_ < 0 && errFd_ < 0)
        return false;
    if (::poll(fds, 2, -1) < 0)
        return errno == EINTR;
    std::string *texts[2] = {&run_.out, &run_.err};
    int *owners[2] = {&outFd_, &errFd_};
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0)
            continue;
        char buffer[4096];
        const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
        if (got > 0) {
            texts[i]->append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            // A terminal reports its far side's closing as an error (EIO).
            ::close(*owners[i]);
            *owners[i] = -1;
        }
    }
    return true;
}

bool CmpProcess::WaitForError(std::string_view text)
{
    while (run_.err.find(text) == std::string::npos)
        if (!ReadSome())
            return false;
    return true;
}

void CmpProcess::Signal(int signal) const
{
    ::kill(pid_, signal);
}

std::string CmpProcess::Status(std::string_view name) const
{
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(name) && line.size() > name.size() && line[name.size()] == ':')
            return line.substr(name.size() + 1);
    return {};
}

bool CmpProcess::Catches(int signal) const
{
    const std::string caught = Status("SigCgt");
    return !caught.empty() && (std::stoull(caught, nullptr, 16) >> (signal - 1) & 1U) != 0;
}

bool CmpProcess::MainThreadEnded() const
{
    // The process's own state is its main thread's.
    return Status("State").find('Z') != std::string::npos;
}

CmpRun CmpProcess::Finish()
{
    while (ReadSome()) {
    }
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    reaped_ = true;
    run_.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run_.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return run_;
}

CmpRun RunCmp(const std::vector<std::string> &arguments, CmpProcess::Options options)
{
    return CmpProcess(arguments, options).Finish();
}

CmpRun RunCmp(const std::vector<std::string> &arguments)
{
    return RunCmp(arguments, {});
}

} // namespace mvx::test
