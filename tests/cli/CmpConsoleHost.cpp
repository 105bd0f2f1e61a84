// mvx-test-console MODE PARAMETERS...: runs morvatix-cmp, which lies beside
// it, with the parameters as they stand, on this program's own console, and
// answers on standard output:
//   status N    morvatix-cmp's exit status
//   bar TEXT    the first row that showed a percentage while it ran
//   ...         the console's rows at the end, without trailing blanks
// MODE "interrupt" presses Ctrl-C once the bar shows; "run" lets it be. Start
// it with a console of its own (CREATE_NO_WINDOW): the events reach every
// process on it. A morvatix-cmp that has not ended after a minute is ended
// and reported with status "stuck", so that a test fails instead of hanging.
#include "base/WideText.h"
#include "support/ProcessStart.h"

#include <algorithm>
#include <string>
#include <vector>
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

// The rest of this program's command line after its name and the mode.
std::wstring ModeAndRest(std::wstring &rest)
{
    const std::wstring line = GetCommandLineW();
    std::size_t at = 0;
    if (!line.empty() && line[0] == L'"')
        at = line.find(L'"', 1) + 1;
    at = line.find_first_not_of(L' ', line.find(L' ', at));
    const std::size_t end = std::min(line.find(L' ', at), line.size());
    rest = line.substr(end);
    return line.substr(at, end - at);
}

std::wstring Beside(const std::wstring &name)
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

std::vector<std::string> Screen(HANDLE console)
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(console, &info);
    const auto width = static_cast<std::size_t>(info.dwSize.X);
    std::wstring cells(width * static_cast<std::size_t>(info.dwSize.Y), L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(console, cells.data(), static_cast<DWORD>(cells.size()), {0, 0}, &read);
    std::vector<std::string> rows;
    for (std::size_t row = 0; row * width < read; ++row) {
        std::wstring text = cells.substr(row * width, width);
        text.erase(text.find_last_not_of(L' ') + 1);
        rows.push_back(mvx::Utf8FromWide(text));
    }
    while (!rows.empty() && rows.back().empty())
        rows.pop_back();
    return rows;
}

// Ctrl-C is meant for morvatix-cmp; this program lets it pass.
BOOL WINAPI Unmoved(DWORD)
{
    return TRUE;
}

} // namespace

int wmain()
{
    std::wstring rest;
    const std::wstring mode = ModeAndRest(rest);
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inheritable, OPEN_EXISTING, 0, nullptr);
    const HANDLE keyboard =
        CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                    OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE || keyboard == INVALID_HANDLE_VALUE)
        return 2;
    // Wide enough that no message wraps onto a second row.
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(console, &info) ||
        !SetConsoleScreenBufferSize(console, {500, info.dwSize.Y}))
        return 3;
    SetConsoleCtrlHandler(Unmoved, TRUE);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = keyboard;
    startup.hStdOutput = console;
    startup.hStdError = console;
    const std::wstring program = Beside(L"morvatix-cmp.exe");
    PROCESS_INFORMATION started{};
    if (!mvx::test::StartProcess(program, L"\"" + program + L"\"" + rest, true, 0, startup, started))
        return 4;
    CloseHandle(started.hThread);

    std::string bar;
    const ULONGLONG deadline = GetTickCount64() + 60000;
    while (WaitForSingleObject(started.hProcess, 5) == WAIT_TIMEOUT) {
        if (GetTickCount64() > deadline) {
            TerminateProcess(started.hProcess, 1);
            Say("status stuck");
            return 0;
        }
        if (!bar.empty())
            continue;
        for (const std::string &row : Screen(console)) {
            if (row.find('%') == std::string::npos)
                continue;
            bar = row;
            if (mode == L"interrupt")
                GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
            break;
        }
    }
    DWORD status = 0;
    GetExitCodeProcess(started.hProcess, &status);
    CloseHandle(started.hProcess);
    Say("status " + std::to_string(status));
    Say("bar " + bar);
    for (const std::string &row : Screen(console))
        Say(row);
    return 0;
}
