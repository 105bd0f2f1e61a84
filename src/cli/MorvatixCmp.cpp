// morvatix-cmp SOURCE TARGET: are two files, or two folder trees, identical,
// byte for byte?
#include "cli/CmpArguments.h"
#include "cli/CmpCheck.h"
#include "cli/CmpTexts.h"
#include "cli/Console.h"

#include <string>
#ifdef _WIN32
#include "base/WideText.h"
#include "cli/InterruptStop.h"

#include <vector>
#endif

namespace {

int Run(const mvx::cmp::CmpRequest &request)
{
    using namespace mvx::cmp;
    const auto status = [](bool written) { return written ? 0 : kStatusTrouble; };
    switch (request.kind) {
    case CmpRequest::Kind::Help:
        return status(WriteText(StandardStream::Output, kHelpText));
    case CmpRequest::Kind::Version:
        return status(WriteText(StandardStream::Output, std::string(mvx::kVersionLine) + "\n"));
    case CmpRequest::Kind::Usage:
        WriteText(StandardStream::Error,
                  std::string(kProgramName) + ": " + request.problem + "\n" + kUsageText);
        return kStatusTrouble;
    case CmpRequest::Kind::Compare:
        break;
    }
    return RunCompare(request);
}

} // namespace

#ifdef _WIN32
// The parameters as Windows holds them, in UTF-16: the ANSI ones would have
// turned a name outside the code page into another name, maybe of another file.
int wmain(int argc, wchar_t *argv[])
{
    mvx::cmp::TakeConsoleInterrupts();
    std::vector<std::string> parameters;
    parameters.reserve(static_cast<std::size_t>(argc));
    for (int i = 0; i < argc; ++i)
        parameters.push_back(mvx::Utf8FromWide(argv[i]));
    std::vector<const char *> pointers;
    pointers.reserve(parameters.size());
    for (const std::string &parameter : parameters)
        pointers.push_back(parameter.c_str());
    return Run(mvx::cmp::ParseArguments(argc, pointers.data()));
}
#else
int main(int argc, char *argv[])
{
    return Run(mvx::cmp::ParseArguments(argc, argv));
}
#endif
