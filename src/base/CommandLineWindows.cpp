#include "base/CommandLine.h"

#include "base/WideText.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace mvx {

std::vector<std::string> ProgramParameters(int, char **)
{
    // The program is handed one UTF-16 line, and splitting it is ours to do.
    // The splitting rules look at spaces, control characters and quotes only,
    // all ASCII, which UTF-8 keeps as they are and uses inside no other
    // character: splitting the UTF-8 form splits the line the same way.
    std::vector<std::string> all = SplitCommandLine(Utf8FromWide(GetCommandLineW()));
    if (!all.empty())
        all.erase(all.begin());
    return all;
}

} // namespace mvx
