// A second process for the Windows tests: a program beside the test's own,
// its standard input and output connected to the test by pipes.
#pragma once

#include <string>

namespace mvx::test {

class ChildProcess {
public:
    // Starts program (a file name in the test's own folder) with the rest of
    // its command line as it stands.
    ChildProcess(const std::wstring &program, const std::wstring &arguments);
    // Closes its input and waits for it; one that does not end is ended.
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    // The next line it writes, without the line end; empty at the end.
    std::string ReadLine();
    // Closes its input and returns its exit code.
    unsigned long Wait();

private:
    void *process_ = nullptr;
    void *input_ = nullptr;
    void *output_ = nullptr;
};

} // namespace mvx::test
