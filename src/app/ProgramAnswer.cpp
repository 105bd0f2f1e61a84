#include "app/ProgramAnswer.h"

#include "check/Identity.h"

#include <string_view>

namespace mvx {

namespace {

constexpr const char *kHelpText =
    "Usage: morvatix [SOURCE TARGET]\n"
    "Opens the Morvatix window, which tells whether two files are identical,\n"
    "byte for byte. Two paths fill its two fields, the source and the target;\n"
    "its Check button compares them. Only one Morvatix runs at a time: a second\n"
    "start brings the first one to the front.\n"
    "\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "Either is an option only when it is the one parameter. morvatix-cmp\n"
    "compares two files without a window.\n";

} // namespace

std::optional<std::string> ProgramAnswer(int argc, const char *const *argv)
{
    if (argc != 2)
        return std::nullopt;
    const std::string_view parameter = argv[1];
    if (parameter == "--help")
        return kHelpText;
    if (parameter == "--version")
        return std::string(kVersionLine) + "\n";
    return std::nullopt;
}

} // namespace mvx
