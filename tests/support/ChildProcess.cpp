#include "support/ChildProcess.h"

#include "support/ProcessStart.h"

#include <stdexcept>
#include <string>
#include <thread>
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

std::string ReadToEnd(HANDLE pipe)
{
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got != 0)
        text.append(buffer, got);
    return text;
}

} // namespace

ChildProcess::ChildProcess(const std::wstring &program, const std::wstring &arguments, ChildOptions options)
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
    HANDLE childError = GetStdHandle(STD_ERROR_HANDLE);
    if (options.errorToTest && !CreatePipe(&error_, &childError, &inheritable, 0)) {
        CloseHandle(childInput);
        CloseHandle(input_);
        CloseHandle(output_);
        CloseHandle(childOutput);
        throw std::runtime_error("cannot make a pipe");
    }
    // Only the child's ends go to the child: its input must see the end
    // once this side closes it, and this side its output's end.
    SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
    if (error_ != nullptr)
        SetHandleInformation(error_, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = childError;
    const std::wstring path = BesideThisProgram(program);
    PROCESS_INFORMATION started{};
    const bool ok =
        StartProcess(path, L"\"" + path + L"\" " + arguments, true, options.creationFlags, startup, started);
    const DWORD why = ok ? 0 : GetLastError();
    CloseHandle(childInput);
    CloseHandle(childOutput);
    if (error_ != nullptr)
        CloseHandle(childError);
    if (!ok) {
        CloseHandle(input_);
        CloseHandle(output_);
        if (error_ != nullptr)
            CloseHandle(error_);
        throw std::runtime_error("cannot start a second process: error " + std::to_string(why));
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
    if (error_ != nullptr)
        CloseHandle(error_);
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

ChildOutput ChildProcess::Finish()
{
    CloseHandle(input_);
    input_ = nullptr;
    ChildOutput output;
    // A child that hangs (Wine's console handling can, under load) ends
    // the test with a failure instead of holding the whole run.
    std::thread watchdog([process = static_cast<HANDLE>(process_)] {
        if (WaitForSingleObject(process, kFinishDeadlineMs) == WAIT_TIMEOUT)
            TerminateProcess(process, kHung);
    });
    std::thread errorReader;
    if (error_ != nullptr)
        errorReader = std::thread([this, &output] { output.err = ReadToEnd(error_); });
    output.out = ReadToEnd(output_);
    if (errorReader.joinable())
        errorReader.join();
    output.code = Wait();
    watchdog.join();
    return output;
}

} // namespace mvx::test
