// morvatix-cmp SOURCE TARGET: are two files identical, byte for byte?
#include "cli/CmpArguments.h"
#include "cli/CmpCheck.h"
#include "cli/CmpTexts.h"
#include "cli/Console.h"

#include <string>

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
    return RunCheck(request.source, request.target);
}

} // namespace

int main(int argc, char *argv[])
{
    return Run(mvx::cmp::ParseArguments(argc, argv));
}
