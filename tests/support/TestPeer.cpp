// The second process of the Windows tests. It takes its parameters as the
// program does, and answers on standard output, one line each:
//   parameters ...       each parameter it was given, as UTF-8
//   hold-for-writing F   opens F for writing, says so, keeps it open until
//                        its standard input ends
//   open-for-writing F   whether F opens for writing ("opened" or "refused N",
//   open-for-reading F   N the system's error code), and the same for reading
#include "base/CommandLine.h"
#include "support/TempFiles.h"

#include <string>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

void Say(const std::string &line)
{
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
              nullptr);
}

// Shares everything itself, so that only the other side's sharing can refuse it.
HANDLE Open(const std::string &path, DWORD access)
{
    return CreateFileW(mvx::test::PathFromUtf8(path).c_str(), access,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

void WaitForEndOfInput()
{
    char c = 0;
    DWORD got = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &got, nullptr) && got != 0) {
    }
}

} // namespace

int wmain()
{
    const std::vector<std::string> parameters = mvx::ProgramParameters(0, nullptr);
    if (parameters.empty())
        return 2;
    const std::string &mode = parameters[0];
    if (mode == "parameters") {
        for (const std::string &p : parameters)
            Say(p);
        return 0;
    }
    if (parameters.size() != 2)
        return 2;
    const DWORD access = mode == "open-for-reading" ? GENERIC_READ : GENERIC_WRITE;
    HANDLE file = Open(parameters[1], access);
    if (file == INVALID_HANDLE_VALUE) {
        Say("refused " + std::to_string(GetLastError()));
        return 1;
    }
    Say("opened");
    if (mode == "hold-for-writing")
        WaitForEndOfInput();
    CloseHandle(file);
    return 0;
}
