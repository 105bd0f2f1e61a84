// Starting the Windows tests' second processes. Under Wine a start can fail
// before the new process is there: the new process is forked and Wine's
// loader executed first, and a new process that dies in its first moments is
// reported as a start that failed, which Windows never does. On a busy
// machine that happens now and then, within milliseconds of the call.
#pragma once

#include <string>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace mvx::test {

// CreateProcessW with these arguments, tried again a few times when it
// fails, each failure noted on standard error with its error code; false,
// with the last error, when every try failed.
bool StartProcess(const std::wstring &program, std::wstring commandLine, bool inheritHandles, DWORD flags,
                  STARTUPINFOW &startup, PROCESS_INFORMATION &started);

} // namespace mvx::test
