// morvatix-cmp run as a real process, with its standard output and standard
// error captured; standard error may be a terminal, as it is for a user.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace mvx::test {

struct CmpRun {
    int status = -1; // exit status; -1 when the process was killed by a signal
    std::string out;
    std::string err;
};

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
    // Reads everything that is left and reaps the process.
    CmpRun Finish();

private:
    // One round of waiting for output; false once both streams are closed.
    bool ReadSome();

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    CmpRun run_;
    bool reaped_ = false;
};

// The status of a child that could not give up root's right to read any file.
inline constexpr int kCannotDropOverride = 126;

// Runs morvatix-cmp with the arguments to its end.
CmpRun RunCmp(const std::vector<std::string> &arguments, CmpProcess::Options options = {});

} // namespace mvx::test
