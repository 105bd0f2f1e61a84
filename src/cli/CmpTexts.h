// What morvatix-cmp says about itself.
#pragma once

#include "check/Identity.h"

#include <cstdint>
#include <string>

namespace mvx::cmp {

inline constexpr const char *kProgramName = "morvatix-cmp";

inline constexpr const char *kUsageText = "Usage: morvatix-cmp [--cached] [--] SOURCE TARGET\n"
                                          "Try 'morvatix-cmp --help' for more information.\n";

inline constexpr const char *kHelpText =
    "Usage: morvatix-cmp [--cached] [--] SOURCE TARGET\n"
    "Tells whether two files are identical, byte for byte, the way the Check\n"
    "command of Morvatix does: it checks the two paths, compares the sizes and\n"
    "then the contents, block by block.\n"
    "\n"
    "The verdict and the time taken go to standard output, and for files that\n"
    "differ the first differing byte, counted from 1; warnings and errors go\n"
    "to standard error. A progress bar is drawn on standard error when it is a\n"
    "terminal, with the rate and the time left once a comparison has run a\n"
    "second. Ctrl-C stops the comparison.\n"
    "\n"
    "Both files are read from their devices, past the system's cache, so the\n"
    "verdict is about what the devices hold, not what the system remembers of\n"
    "them; bytes still waiting to be written are written first.\n"
    "\n"
    "  --cached     read through the system's cache instead, as cmp does: as\n"
    "               fast as memory for data read a moment ago, but a copy that\n"
    "               the device did not keep may be called identical\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n"
    "  --           end of options: every argument after it is a file\n"
    "\n"
    "Exit status: 0 when the files are identical, 1 when they differ,\n"
    "2 on any trouble, 130 when the comparison was stopped.\n";

// After the verdict on two files that differ: where they first do, counted
// from 1 as cmp counts.
inline std::string FirstDifferenceLine(std::int64_t offset)
{
    return "differ: byte " + std::to_string(offset + 1) + "\n";
}

// Exit statuses, as scripts know them from cmp.
inline constexpr int kStatusIdentical = 0;
inline constexpr int kStatusDifferent = 1;
inline constexpr int kStatusTrouble = 2;
inline constexpr int kStatusStopped = 130;

} // namespace mvx::cmp
