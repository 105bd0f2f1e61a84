#include "HeldRead.h"

#include "BenchFiles.h"
#include "CountingProgress.h"

#include "compare/Compare.h"
#include "faultfs/Fault.h"
#include "support/FaultMount.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace mvx::bench {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kHeldFor{5000};
// After the hold has been met, long enough for the comparison to be waiting
// on it (through the cache the system meets it a little ahead).
constexpr milliseconds kSettle{300};

double Milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

// A fresh mount for every run (a hold holds one read only), serving the pair
// as links to the files made once.
class HeldPair {
public:
    HeldPair(const std::string &source, const std::string &target, std::int64_t size)
        : hold_(faultfs::Hold("target", size / 2, kHeldFor)), mount_({hold_})
    {
        std::filesystem::create_hard_link(source, mount_.Backing("source"));
        std::filesystem::create_hard_link(target, mount_.Backing("target"));
    }
    [[nodiscard]] std::string Source() const { return mount_.Mounted("source"); }
    [[nodiscard]] std::string Target() const { return mount_.Mounted("target"); }
    void WaitUntilHeld()
    {
        if (!mount_.WaitUntilHeld(hold_))
            throw std::runtime_error("the held read was never met");
        std::this_thread::sleep_for(kSettle);
    }
    [[nodiscard]] bool Held() { return mount_.WaitUntilHeld(hold_, milliseconds(0)); }

private:
    faultfs::Fault hold_;
    test::FaultMount mount_;
};

// Stops the comparison as a click on Stop does, once the held read has been
// met and the comparison waits on it, and notes when.
class StopWhenHeld final : public mvx::CompareProgress {
public:
    StopWhenHeld(HeldPair &pair, std::stop_source &stop) : pair_(pair), stop_(stop) {}
    std::optional<Clock::time_point> stoppedAt;

    void Progress(std::int64_t, std::int64_t) override {}
    void WaitingForDevice(bool) override {}
    void ProcessEvents() override
    {
        const Clock::time_point now = Clock::now();
        if (!heldAt_ && pair_.Held())
            heldAt_ = now;
        if (heldAt_ && !stoppedAt && now - *heldAt_ >= kSettle) {
            stoppedAt = now;
            stop_.request_stop();
        }
    }

private:
    HeldPair &pair_;
    std::stop_source &stop_;
    std::optional<Clock::time_point> heldAt_;
};

// A child with its standard input and output on pipes.
struct Child {
    pid_t pid = -1;
    int input = -1;
    int output = -1;
};

Child Start(const std::vector<std::string> &argv)
{
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot make a pipe");
    std::vector<char *> arguments;
    arguments.reserve(argv.size() + 1);
    for (const std::string &argument : argv)
        arguments.push_back(const_cast<char *>(argument.c_str()));
    arguments.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("cannot start " + argv.front());
    if (pid == 0) {
        ::dup2(in[0], STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        // Its messages (the cancel text, Qt's notes) would break up the
        // benchmark's progress line.
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, STDERR_FILENO);
        ::signal(SIGINT, SIG_DFL);
        ::execv(arguments.front(), arguments.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    return {pid, in[1], out[0]};
}

// Reads the output to its end and reaps the child: its output and its status.
std::pair<std::string, int> Finish(const Child &child)
{
    ::close(child.input);
    std::string text;
    char buffer[512];
    for (;;) {
        const ssize_t got = ::read(child.output, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(child.output);
    int status = 0;
    while (::waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    return {text, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

} // namespace

void RunHeldRead(const HeldReadModel &model, Goals &goals)
{
    if (const std::string missing = test::FaultMount::WhatIsMissing(); !missing.empty()) {
        std::printf("Held read skipped: %s\n\n", missing.c_str());
        return;
    }
    const std::string source = (model.folder / "held-source").string();
    const std::string target = (model.folder / "held-target").string();
    std::fprintf(stderr, "Writing 2 files of %lld bytes for the held read ...\n",
                 static_cast<long long>(model.size));
    WriteSet({source, target}, model.size);
    struct Remove {
        std::vector<std::string> paths;
        ~Remove()
        {
            for (const std::string &path : paths)
                ::unlink(path.c_str());
        }
    } remove{{source, target}};

    double engineGap = 0;
    double engineTime = 0;
    double engineStop = 0;
    double windowGap = 0;
    double windowStop = 0;
    double cmpStop = 0;
    std::fprintf(stderr, "Held read, %d rounds ", model.runs);
    for (int round = 0; round < model.runs; ++round) {
        {
            HeldPair pair(source, target, model.size);
            CountingProgress progress;
            const Clock::time_point start = progress.last;
            mvx::ReadQueue queue(std::stop_source().get_token());
            mvx::FilePair files(queue, mvx::ReadPath::Device);
            if (files.Open(pair.Source(), pair.Target(), progress) != mvx::FilePair::Opening::Opened ||
                files.CompareFiles(progress) != mvx::FilePair::Verdict::Identical)
                throw std::runtime_error("the engine did not find the held pair identical");
            progress.NoteGap();
            engineGap = std::max(engineGap, Milliseconds(progress.longestGap));
            engineTime = std::max(engineTime, Milliseconds(progress.last - start));
        }
        {
            HeldPair pair(source, target, model.size);
            std::stop_source stop;
            StopWhenHeld stopper(pair, stop);
            mvx::ReadQueue queue(stop.get_token());
            mvx::FilePair files(queue, mvx::ReadPath::Device);
            const bool stopped =
                files.Open(pair.Source(), pair.Target(), stopper) == mvx::FilePair::Opening::Opened &&
                files.CompareFiles(stopper) == mvx::FilePair::Verdict::Stopped;
            const Clock::time_point returned = Clock::now();
            if (!stopped || !stopper.stoppedAt)
                throw std::runtime_error("the engine did not stop on the held read");
            engineStop = std::max(engineStop, Milliseconds(returned - *stopper.stoppedAt));
        }
        if (!model.windowProgram.empty()) {
            HeldPair pair(source, target, model.size);
            const Child child = Start({model.windowProgram, "--stop-on-input", pair.Source(), pair.Target()});
            pair.WaitUntilHeld();
            if (::write(child.input, "stop\n", 5) != 5)
                throw std::runtime_error("cannot tell the window to stop");
            const auto [output, status] = Finish(child);
            long long stopMicros = 0;
            long long gapMicros = 0;
            if (status != 0 || std::sscanf(output.c_str(), "%lld %lld", &stopMicros, &gapMicros) != 2)
                throw std::runtime_error("the window gave no warning after Stop (status " +
                                         std::to_string(status) + ")");
            windowStop = std::max(windowStop, static_cast<double>(stopMicros) / 1000);
            windowGap = std::max(windowGap, static_cast<double>(gapMicros) / 1000);
        }
        {
            HeldPair pair(source, target, model.size);
            const Child child = Start({MVX_BENCH_CMP, pair.Source(), pair.Target()});
            pair.WaitUntilHeld();
            const Clock::time_point signalled = Clock::now();
            ::kill(child.pid, SIGINT);
            const auto [output, status] = Finish(child);
            const Clock::time_point ended = Clock::now();
            if (status != 130)
                throw std::runtime_error("morvatix-cmp ended with " + std::to_string(status) +
                                         " after Ctrl-C");
            cmpStop = std::max(cmpStop, Milliseconds(ended - signalled));
        }
        std::fprintf(stderr, ".");
    }
    std::fprintf(stderr, "\n\n");

    std::printf(
        "Held read: a pair of %lld bytes on the fault file system (read through the cache), the\n"
        "target's read at the middle held for %lld s; the worst of %d runs. The whole comparison took\n"
        "%.1f ms in the engine, hold included.\n\n",
        static_cast<long long>(model.size), static_cast<long long>(kHeldFor.count() / 1000), model.runs,
        engineTime);
    goals.AtMost("held read: engine's longest time without events", engineGap, 100, "%.1f ms");
    goals.AtMost("held read: engine's Stop to its return", engineStop, 200, "%.1f ms");
    if (!model.windowProgram.empty()) {
        goals.AtMost("held read: window's longest time without events", windowGap, 100, "%.1f ms");
        goals.AtMost("held read: window's Stop to the warning", windowStop, 200, "%.1f ms");
    }
    goals.AtMost("held read: morvatix-cmp's Ctrl-C to its end with 130", cmpStop, 200, "%.1f ms");
}

} // namespace mvx::bench
