// morvatix-cmp started the Windows way: one UTF-16 command line, which its C
// runtime splits into parameters again.
#include "cli/CmpProcess.h"
#include "support/ChildProcess.h"
#include "support/TempFiles.h"

#include <sstream>
#include <stdexcept>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace mvx::test {

namespace {

// A parameter quoted so that the C runtime's splitting gives it back as it
// is: backslashes count only before a quote, and are doubled there.
std::wstring Quoted(const std::string &argument)
{
    const std::wstring text = PathFromUtf8(argument).wstring();
    std::wstring quoted = L"\"";
    for (std::size_t i = 0;; ++i) {
        std::size_t backslashes = 0;
        for (; i < text.size() && text[i] == L'\\'; ++i)
            ++backslashes;
        if (i == text.size()) {
            quoted.append(backslashes * 2, L'\\');
            break;
        }
        quoted.append(text[i] == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        quoted += text[i];
    }
    return quoted + L"\"";
}

std::wstring CommandLine(const std::vector<std::string> &arguments)
{
    std::wstring line;
    for (const std::string &argument : arguments)
        line += L" " + Quoted(argument);
    return line;
}

} // namespace

CmpRun RunCmp(const std::vector<std::string> &arguments)
{
    ChildProcess cmp(L"morvatix-cmp.exe", CommandLine(arguments), {.errorToTest = true});
    ChildOutput output = cmp.Finish();
    return {static_cast<int>(output.code), std::move(output.out), std::move(output.err)};
}

// mvx-test-console answers with "status N", the bar's row and then the screen.
ConsoleRun RunCmpOnConsole(const std::vector<std::string> &arguments, OnConsole what)
{
    const std::wstring mode = what == OnConsole::InterruptAtBar ? L"interrupt" : L"run";
    ChildProcess host(L"mvx-test-console.exe", mode + CommandLine(arguments),
                      {.creationFlags = CREATE_NO_WINDOW});
    const ChildOutput output = host.Finish();
    ConsoleRun run;
    std::istringstream lines(output.out);
    std::string line;
    std::getline(lines, line);
    if (output.code != 0 || line.rfind("status ", 0) != 0 || line == "status stuck")
        throw std::runtime_error("the console host failed, status " + std::to_string(output.code) + ": " +
                                 output.out);
    run.status = std::stoul(line.substr(7));
    std::getline(lines, line);
    run.bar = line.substr(std::string("bar ").size());
    while (std::getline(lines, line))
        run.screen.push_back(line);
    return run;
}

} // namespace mvx::test
