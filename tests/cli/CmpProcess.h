// morvatix-cmp run as a real process, with its standard output and standard
// error captured: through pipes everywhere; on Linux standard error may be a
// terminal, on Windows both may be a console, as they are for a user.
#pragma once

#include <regex>
#include <string>
#include <string_view>
#include <vector>
#ifndef _WIN32
#include <sys/types.h>
#endif

namespace mvx::test {

struct CmpRun {
    int status = -1; // exit status; -1 when the process was killed by a signal
    std::string out;
    std::string err;
    int signal = 0; // the signal that killed it (POSIX), 0 when it exited
};

// Runs morvatix-cmp with the arguments to its end, its output to pipes.
CmpRun RunCmp(const std::vector<std::string> &arguments);

// The time line as the verdict window writes it: whole milliseconds at most,
// no trailing zeros, a point as the separator.
inline bool IsMeasuredTimeLine(const std::string &line)
{
    static const std::regex measuredTime("処理時間　(0|[1-9][0-9]*)(\\.[0-9]{0,2}[1-9])? 秒");
    return std::regex_match(line, measuredTime);
}

#ifdef _WIN32

// morvatix-cmp on a console of its own, both streams to it, as a person runs
// it on Windows.
struct ConsoleRun {
    unsigned long status = 0;
    // The console's rows at the end, without trailing blanks, up to the last
    // row that shows anything.
    std::vector<std::string> screen;
    // The first row seen to hold a percentage while it ran; empty if none was.
    std::string bar;
};

enum class OnConsole {
    Run,
    // Ctrl-C, as a person presses it, once the progress bar shows.
    InterruptAtBar,
};

ConsoleRun RunCmpOnConsole(const std::vector<std::string> &arguments, OnConsole what = OnConsole::Run);

#else

class CmpProcess {
public:
    struct Options {
        // Standard error on a pseudo-terminal instead of a pipe.
        bool errorOnTerminal = false;
        // The child may not read files that deny it, even as root.
        bool withoutReadOverride = false;
    };

    explicit CmpProcess(const std::vector<std::string> &arguments, Options options);
    ~CmpProcess();
    CmpProcess(const CmpProcess &) = delete;
    CmpProcess &operator=(const CmpProcess &) = delete;

    // Reads on until standard error holds `text`; false when the process
    // closed its output first.
    bool WaitForError(std::string_view text);
    void Signal(int signal) const;
    // True once the program has a handler of its own for the signal.
    [[nodiscard]] bool Catches(int signal) const;
    // True once the program's main thread has ended: a thread that waits
    // inside the system may keep the process a while longer.
    [[nodiscard]] bool MainThreadEnded() const;
    // Reads everything that is left and reaps the process.
    CmpRun Finish();

private:
    // One round of waiting for output; false once both streams are closed.
    bool ReadSome();
    // A line of the system's status of the process, without its name.
    [[nodiscard]] std::string Status(std::string_view name) const;

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    CmpRun run_;
    bool reaped_ = false;
};

// The status of a child that could not give up root's right to read any file.
inline constexpr int kCannotDropOverride = 126;

CmpRun RunCmp(const std::vector<std::string> &arguments, CmpProcess::Options options);

#endif

} // namespace mvx::test
