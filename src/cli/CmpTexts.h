// What morvatix-cmp says about itself.
#pragma once

#include "check/Identity.h"

namespace mvx::cmp {

inline constexpr const char *kProgramName = "morvatix-cmp";

inline constexpr const char *kUsageText = "Usage: morvatix-cmp [--] SOURCE TARGET\n"
                                          "Try 'morvatix-cmp --help' for more information.\n";

inline constexpr const char *kHelpText =
    "Usage: morvatix-cmp [--] SOURCE TARGET\n"
    "Tells whether two files are identical, byte for byte, the way the Check\n"
    "command of Morvatix does: it checks the two paths, compares the sizes and\n"
    "then the contents, block by block.\n"
    "\n"
    "The verdict and the time taken go to standard output, warnings and errors\n"
    "to standard error. A progress bar is drawn on standard error when it is a\n"
    "terminal, with the rate and the time left once a comparison has run a\n"
    "second. Ctrl-C stops the comparison.\n"
    "\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n"
    "  --           end of options: every argument after it is a file\n"
    "\n"
    "Exit status: 0 when the files are identical, 1 when they differ,\n"
    "2 on any trouble, 130 when the comparison was stopped.\n";

// Exit statuses, as scripts know them from cmp.
inline constexpr int kStatusIdentical = 0;
inline constexpr int kStatusDifferent = 1;
inline constexpr int kStatusTrouble = 2;
inline constexpr int kStatusStopped = 130;

} // namespace mvx::cmp
