#include "support/ChildProcess.h"

#include <stdexcept>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace mvx::test {

namespace {

std::wstring BesideThisProgram(const std::wstring &name)
{
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
           path.size())
        path.resize(path.size() * 2);
    path.resize(length);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

} // namespace

ChildProcess::ChildProcess(const std::wstring &program, const std::wstring &arguments)
{
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childInput = nullptr;
    HANDLE childOutput = nullptr;
    if (!CreatePipe(&childInput, &input_, &inheritable, 0))
        throw std::runtime_error("cannot make a pipe");
    if (!CreatePipe(&output_, &childOutput, &inheritable, 0)) {
        CloseHandle(childInput);
        CloseHandle(input_);
        throw std::runtime_error("cannot make a pipe");
    }
    // Only the child's ends go to the child: its input must see the end
    // once this side closes it.
    SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    const std::wstring path = BesideThisProgram(program);
    std::wstring line = L"\"" + path + L"\" " + arguments;
    PROCESS_INFORMATION started{};
    const BOOL ok = CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                   &startup, &started);
    CloseHandle(childInput);
    CloseHandle(childOutput);
    if (!ok) {
        CloseHandle(input_);
        CloseHandle(output_);
        throw std::runtime_error("cannot start a second process");
    }
    CloseHandle(started.hThread);
    process_ = started.hProcess;
}

ChildProcess::~ChildProcess()
{
    if (input_ != nullptr)
        CloseHandle(input_);
    if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process_, 1);
    CloseHandle(output_);
    CloseHandle(process_);
}

std::string ChildProcess::ReadLine()
{
    std::string line;
    char c = 0;
    DWORD got = 0;
    while (ReadFile(output_, &c, 1, &got, nullptr) && got == 1 && c != '\n')
        line += c;
    return line;
}

unsigned long ChildProcess::Wait()
{
    CloseHandle(input_);
    input_ = nullptr;
    WaitForSingleObject(process_, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

} // namespace mvx::test
