// The window tests' program. Started by the shell in place of a viewer, a
// browser or a mail program ("record TARGET"), it only notes what it was
// asked to open, in the file that MVX_OPENED_LOG names; otherwise it runs
// the tests.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

int Record(const wchar_t *target)
{
    wchar_t log[32768] = {};
    if (GetEnvironmentVariableW(L"MVX_OPENED_LOG", log, 32768) == 0)
        return 1;
    const HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const std::wstring line = std::wstring(target) + L"\n";
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    return 0;
}

// The window tests need a display; without one there is nothing to drive.
bool HasDisplay()
{
    const HWND probe =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (probe == nullptr)
        return false;
    DestroyWindow(probe);
    return true;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc == 3 && std::wcscmp(argv[1], L"record") == 0)
        return Record(argv[2]);
    // The windows' rectangles in the screen's own pixels, not in those of a
    // 96-DPI screen the system would pretend for this program.
    SetProcessDPIAware();
    if (!HasDisplay()) {
        std::fputs("No display: the window tests are skipped (scripts/test-windows.sh gives them one).\n",
                   stderr);
        return 77;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
