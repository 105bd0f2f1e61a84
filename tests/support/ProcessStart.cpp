#include "support/ProcessStart.h"

#include <cstdio>

namespace mvx::test {

namespace {

constexpr int kTries = 5;
constexpr DWORD kPauseMs = 250;

} // namespace

bool StartProcess(const std::wstring &program, std::wstring commandLine, bool inheritHandles, DWORD flags,
                  STARTUPINFOW &startup, PROCESS_INFORMATION &started)
{
    for (int tried = 1;; ++tried) {
        if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr,
                           inheritHandles ? TRUE : FALSE, flags, nullptr, nullptr, &startup, &started) != 0)
            return true;
        const DWORD error = GetLastError();
        std::fprintf(stderr, "starting %ls failed (try %d of %d): error %lu\n", program.c_str(), tried,
                     kTries, static_cast<unsigned long>(error));
        if (tried == kTries) {
            SetLastError(error);
            return false;
        }
        Sleep(kPauseMs);
    }
}

} // namespace mvx::test
