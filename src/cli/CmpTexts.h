// What morvatix-cmp says about itself.
#pragma once

#include "check/Identity.h"
#include "compare/TreeCompare.h"

#include <cstdint>
#include <string>

namespace mvx::cmp {

inline constexpr const char *kProgramName = "morvatix-cmp";

inline constexpr const char *kUsageText = "Usage: morvatix-cmp [--cached] [-z] [--] SOURCE TARGET\n"
                                          "Try 'morvatix-cmp --help' for more information.\n";

// A folder named against a file, or a file against a folder.
inline constexpr const char *kFolderAgainstFileMessage = "フォルダとファイルは比較できません";

inline constexpr const char *kHelpText =
    "Usage: morvatix-cmp [--cached] [-z] [--] SOURCE TARGET\n"
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
    "Two folders are compared as trees: the same names at every level, each of\n"
    "the same kind; every file byte-identical, as two files are; every symbolic\n"
    "link with the same text (links are never followed); FIFOs, sockets and\n"
    "devices of the same kind, never opened. Permissions, owners and times are\n"
    "not compared. Each difference is a line on standard output, in the order\n"
    "of the names, folder by folder, with its path below both folders:\n"
    "  differ: byte N: PATH       the files' bytes, first differing at N\n"
    "  differ: size: PATH         the files' sizes\n"
    "  differ: kind: PATH         a file against a folder, a link...\n"
    "  differ: link target: PATH  the links' texts\n"
    "  only in source: PATH       (a folder: the whole of it)\n"
    "  only in target: PATH\n"
    "What cannot be read is named on standard error and the rest compared.\n"
    "The verdict comes last.\n"
    "\n"
    "Both files are read from their devices, past the system's cache, so the\n"
    "verdict is about what the devices hold, not what the system remembers of\n"
    "them; bytes still waiting to be written are written first.\n"
    "\n"
    "  --cached     read through the system's cache instead, as cmp does: as\n"
    "               fast as memory for data read a moment ago, but a copy that\n"
    "               the device did not keep may be called identical\n"
    "  -z, --null   end each line on standard output with NUL, not a newline,\n"
    "               for names that hold newlines\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n"
    "  --           end of options: every argument after it is a file\n"
    "\n"
    "Exit status: 0 when the files or trees are identical, 1 when they differ,\n"
    "2 on any trouble (also when anything could not be read), 130 when the\n"
    "comparison was stopped.\n";

// After the verdict on two files that differ: where they first do, counted
// from 1 as cmp counts.
inline std::string FirstDifferenceLine(std::int64_t offset)
{
    return "differ: byte " + std::to_string(offset + 1);
}

// A difference between two trees, with its path below both.
inline std::string FindingLine(const TreeFinding &finding)
{
    switch (finding.what) {
    case TreeFinding::What::Content:
        return FirstDifferenceLine(finding.at) + ": " + finding.path;
    case TreeFinding::What::Size:
        return "differ: size: " + finding.path;
    case TreeFinding::What::Kind:
        return "differ: kind: " + finding.path;
    case TreeFinding::What::LinkTarget:
        return "differ: link target: " + finding.path;
    case TreeFinding::What::OnlyInSource:
        return "only in source: " + finding.path;
    case TreeFinding::What::OnlyInTarget:
        return "only in target: " + finding.path;
    case TreeFinding::What::Unreadable:
        break;
    }
    return "unreadable: " + finding.path;
}

// Exit statuses, as scripts know them from cmp.
inline constexpr int kStatusIdentical = 0;
inline constexpr int kStatusDifferent = 1;
inline constexpr int kStatusTrouble = 2;
inline constexpr int kStatusStopped = 130;

} // namespace mvx::cmp
