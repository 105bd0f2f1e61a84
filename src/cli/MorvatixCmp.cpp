// morvatix-cmp SOURCE TARGET: are two files identical, byte for byte?
#include "cli/CmpArguments.h"
#include "cli/CmpCheck.h"
#include "cli/CmpTexts.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    using namespace mvx::cmp;
    using mvx::kVersionLine;
    const CmpRequest request = ParseArguments(argc, argv);
    switch (request.kind) {
    case CmpRequest::Kind::Help:
        std::fputs(kHelpText, stdout);
        return std::fflush(stdout) == 0 ? 0 : kStatusTrouble;
    case CmpRequest::Kind::Version:
        std::printf("%s\n", kVersionLine);
        return std::fflush(stdout) == 0 ? 0 : kStatusTrouble;
    case CmpRequest::Kind::Usage:
        std::fprintf(stderr, "%s: %s\n%s", kProgramName, request.problem.c_str(), kUsageText);
        return kStatusTrouble;
    case CmpRequest::Kind::Compare:
        break;
    }
    return RunCheck(request.source, request.target);
}
