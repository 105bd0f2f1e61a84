#include "base/CommandLine.h"

#include <gtest/gtest.h>

using Strings = std::vector<std::string>;

TEST(CommandLine, RawLineSplitsAsTheShellWouldNot)
{
    const std::pair<std::string, Strings> cases[] = {
        {"prog a b", {"prog", "a", "b"}},
        {"  prog\t\ta \x01\x1f b  ", {"prog", "a", "b"}},
        {R"(prog "C:\My Files\a.txt" b)", {"prog", R"(C:\My Files\a.txt)", "b"}},
        {R"(prog C:\"My Files"\a.txt)", {"prog", R"(C:\My Files\a.txt)"}},
        {R"(prog a"b c"d)", {"prog", "ab cd"}},
        {R"(prog "" b)", {"prog", "b"}},
        {R"(prog """"x y)", {"prog", "x", "y"}},
        {R"(prog "unclosed quote  and more)", {"prog", "unclosed quote  and more"}},
        {R"(prog a "" )", {"prog", "a"}},
        {R"(prog a "")", {"prog", "a"}},
        {R"(prog a ""b)", {"prog", "a", "b"}},
        {R"(prog a b"")", {"prog", "a", "b"}},
        {R"(prog a "" "" c)", {"prog", "a", "c"}},
        {"", {}},
        {"   ", {}},
    };
    for (const auto &[line, expected] : cases)
        EXPECT_EQ(mvx::SplitCommandLine(line), expected) << line;
}

// On Windows the parameters come from the process's own command line, not
// from argv; WindowsFilesTest.cpp starts a process to see them.
#ifndef _WIN32
TEST(CommandLine, ParametersAreCountedUpToTheFirstEmptyOne)
{
    const std::pair<Strings, Strings> cases[] = {
        {{"morvatix"}, {}},
        {{"morvatix", "a"}, {"a"}},
        {{"morvatix", "a", "b"}, {"a", "b"}},
        {{"morvatix", "a", "b", "c"}, {"a", "b", "c"}},
        {{"morvatix", "", "b", "c"}, {}},
        {{"morvatix", "a", "", "c"}, {"a"}},
        {{"morvatix", "a", "b", ""}, {"a", "b"}},
    };
    for (const auto &[argv, expected] : cases) {
        std::vector<char *> raw;
        Strings copies = argv;
        for (std::string &s : copies)
            raw.push_back(s.data());
        raw.push_back(nullptr);
        EXPECT_EQ(mvx::ProgramParameters(static_cast<int>(argv.size()), raw.data()), expected);
    }
}
#endif
