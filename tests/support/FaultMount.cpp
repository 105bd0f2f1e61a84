#include "support/FaultMount.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace mvx::test {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kMountWait{10000};
constexpr milliseconds kEndWait{10000};

bool OnPath(const std::string &program)
{
    const char *path = std::getenv("PATH");
    std::string_view rest = path != nullptr ? path : "/usr/bin:/bin";
    while (!rest.empty()) {
        const std::size_t colon = std::min(rest.find(':'), rest.size());
        const std::string candidate = std::string(rest.substr(0, colon)) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return true;
        rest.remove_prefix(std::min(colon + 1, rest.size()));
    }
    return false;
}

std::string Describe(int status)
{
    if (WIFEXITED(status))
        return "status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return "signal " + std::to_string(WTERMSIG(status));
    return "wait status " + std::to_string(status);
}

// True once the child has ended and is reaped, false when it runs on.
bool Reaped(pid_t child, milliseconds timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        const pid_t done = ::waitpid(child, nullptr, WNOHANG);
        if (done == child || (done < 0 && errno == ECHILD))
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(milliseconds(5));
    }
}

// An argument vector for exec, pointing into words.
std::vector<char *> ArgumentVector(std::vector<std::string> &words)
{
    std::vector<char *> argv;
    argv.reserve(words.size() + 1);
    for (std::string &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    return argv;
}

void Unmount(const std::string &mount)
{
    // Lazily: a file that the test still holds open there, a read it gave up
    // on among them, must not keep the mount in place.
    std::vector<std::string> words{"fusermount3", "-u", "-z", "-q", mount};
    std::vector<char *> argv = ArgumentVector(words);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0)
        ::waitpid(pid, nullptr, 0);
}

} // namespace

std::string FaultMount::WhatIsMissing()
{
    const std::string program = MVX_FAULTFS_PROGRAM;
    if (program.empty())
        return "The FUSE test file system mvx-faultfs was not built: libfuse3 was not found. Install "
               "libfuse3-dev and pkg-config (scripts/deps.sh installs them) and configure the build again.";
    if (::access(program.c_str(), X_OK) != 0)
        return "The FUSE test file system " + program + " is missing: build the target mvx-faultfs.";
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
        return "/dev/fuse is missing or cannot be opened: install fuse3 and load the fuse module "
               "(modprobe fuse); a container needs /dev/fuse passed in and the right to mount.";
    if (!OnPath("fusermount3"))
        return "fusermount3 is missing: install fuse3 (scripts/deps.sh installs it).";
    return {};
}

FaultMount::FaultMount(const std::vector<faultfs::Fault> &faults, const std::string &options)
    : backing_(dir_.File("served")), mount_(dir_.File("mount"))
{
    if (const std::string missing = WhatIsMissing(); !missing.empty())
        throw std::runtime_error(missing);
    std::filesystem::create_directory(backing_);
    std::filesystem::create_directory(mount_);

    // Open before the program starts: its own open for writing waits for a
    // reader.
    const std::string reports = dir_.File("reports");
    if (::mkfifo(reports.c_str(), 0600) != 0 ||
        (reports_ = ::open(reports.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) < 0)
        throw std::runtime_error("cannot make the FIFO for the file system's reports");

    std::vector<std::string> words{MVX_FAULTFS_PROGRAM, "--status=" + reports};
    for (const faultfs::Fault &fault : faults)
        words.push_back("--fault=" + faultfs::FaultText(fault));
    words.insert(words.end(), {backing_, mount_, "-f"});
    if (!options.empty())
        words.insert(words.end(), {"-o", options});
    std::vector<char *> argv = ArgumentVector(words);

    const pid_t parent = ::getpid();
    child_ = ::fork();
    if (child_ == 0) {
        // The file system ends with the test however the test ends, a crash
        // included: on SIGTERM it unmounts itself.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(1);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (child_ < 0)
        throw std::runtime_error("cannot start " + words[0]);
    try {
        WaitForMount();
    } catch (...) {
        Stop();
        throw;
    }
}

FaultMount::~FaultMount()
{
    Stop();
}

void FaultMount::WaitForMount()
{
    struct stat folder {};
    if (::stat(dir_.Path().c_str(), &folder) != 0)
        throw std::runtime_error("cannot look at " + dir_.Path().string());
    const Clock::time_point deadline = Clock::now() + kMountWait;
    while (Clock::now() < deadline) {
        struct stat mounted {};
        if (::stat(mount_.c_str(), &mounted) == 0 && mounted.st_dev != folder.st_dev)
            return;
        int status = 0;
        if (::waitpid(child_, &status, WNOHANG) == child_) {
            child_ = -1;
            throw std::runtime_error("mvx-faultfs ended (" + Describe(status) +
                                     ") before its mount came up; its own message is above. Mounting needs "
                                     "/dev/fuse and root, or fusermount3 (package fuse3).");
        }
        std::this_thread::sleep_for(milliseconds(5));
    }
    throw std::runtime_error("the mount of mvx-faultfs on " + mount_ + " did not come up within " +
                             std::to_string(kMountWait.count()) + " ms");
}

void FaultMount::Stop()
{
    if (child_ > 0) {
        Release();
        Unmount(mount_);
        if (!Reaped(child_, kEndWait)) {
            // Still serving a file that is held open: ending the file system
            // fails whatever still waits for it.
            ::kill(child_, SIGTERM);
            if (!Reaped(child_, kEndWait)) {
                ::kill(child_, SIGKILL);
                ::waitpid(child_, nullptr, 0);
            }
        }
        child_ = -1;
    }
    if (reports_ >= 0)
        ::close(reports_);
    reports_ = -1;
}

std::string FaultMount::Backing(const std::string &name) const
{
    return backing_ + "/" + name;
}

std::string FaultMount::Mounted(const std::string &name) const
{
    return mount_ + "/" + name;
}

void FaultMount::Release()
{
    if (child_ > 0)
        ::kill(child_, faultfs::kReleaseSignal);
}

bool FaultMount::WaitUntilHeld(const faultfs::Fault &hold, milliseconds timeout)
{
    return WaitForReport(std::string(faultfs::kHeldReport) + faultfs::FaultText(hold), timeout);
}

bool FaultMount::WaitUntilLetGo(const faultfs::Fault &hold, milliseconds timeout)
{
    return WaitForReport(std::string(faultfs::kLetGoReport) + faultfs::FaultText(hold), timeout);
}

bool FaultMount::WaitForReport(const std::string &report, milliseconds timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        if (std::find(reported_.begin(), reported_.end(), report) != reported_.end())
            return true;
        if (reports_ < 0)
            return false;
        // What has come already counts, even with no time left.
        const auto left = std::max(std::chrono::ceil<milliseconds>(deadline - Clock::now()), milliseconds(0));
        pollfd ready{reports_, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            if (left.count() == 0)
                return false;
            continue;
        }
        char chunk[512];
        const ssize_t got = ::read(reports_, chunk, sizeof chunk);
        if (got == 0)
            return false; // the file system has ended
        if (got < 0)
            continue;
        unread_.append(chunk, static_cast<std::size_t>(got));
        for (std::size_t end = unread_.find('\n'); end != std::string::npos; end = unread_.find('\n')) {
            reported_.push_back(unread_.substr(0, end));
            unread_.erase(0, end + 1);
        }
    }
}

} // namespace mvx::test
