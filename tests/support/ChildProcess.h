// A second process for the Windows tests: a program beside the test's own,
// its standard input and output connected to the test by pipes.
#pragma once

#include <string>

namespace mvx::test {

struct ChildOptions {
    // Its standard error to the test too, instead of to the test's own.
    bool errorToTest = false;
    // CreateProcessW's creation flags: CREATE_NO_WINDOW gives it a console
    // of its own, with no window.
    unsigned long creationFlags = 0;
};

// All that a finished process wrote, and its exit code.
struct ChildOutput {
    unsigned long code = 0; // kHung for one that had to be ended
    std::string out;
    std::string err;
};

// Finish ends a child that is still running after this long, with this code.
inline constexpr unsigned long kFinishDeadlineMs = 120000;
inline constexpr unsigned kHung = 0xDEAD;

class ChildProcess {
public:
    // Starts program (a file name in the test's own folder) with the rest of
    // its command line as it stands.
    ChildProcess(const std::wstring &program, const std::wstring &arguments, ChildOptions options = {});
    // Closes its input and waits for it; one that does not end is ended.
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    // The next line it writes, without the line end; empty at the end.
    std::string ReadLine();
    // Closes its input and returns its exit code.
    unsigned long Wait();
    // Closes its input, reads everything it writes until it ends and waits
    // for it; both streams at once, so that neither pipe can fill up.
    ChildOutput Finish();

private:
    void *process_ = nullptr;
    void *input_ = nullptr;
    void *output_ = nullptr;
    void *error_ = nullptr;
};

} // namespace mvx::test
