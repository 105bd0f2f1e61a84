// A failure that leaves a guarded handler reaches the program's one report
// and goes no further; the code after the handler runs on.
#include "check/Guarded.h"
#include "check/FailureText.h"
#include "compare/FileFailure.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
std::vector<std::string> reported;
} // namespace

// This test program's front end: its Error box writes the message down.
void mvx::ApplicationEvents1Exception(const std::exception_ptr &failure) noexcept
{
    reported.push_back(FailureMessage(failure));
}

TEST(Guarded, EveryFailureReachesTheReportOnceAndNothingElseDoes)
{
    reported.clear();
    int handled = 0;
    mvx::Guarded([] { throw mvx::FileError({"x", mvx::FileStep::Open, 2}); });
    mvx::Guarded([] { throw mvx::FileError({"x", mvx::FileStep::Recheck, 0}); });
    mvx::Guarded([] { throw 42; });
    mvx::Guarded([&] { handled = 1; });
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(reported, (std::vector<std::string>{"ファイル x は開けません", "ストリームからの読み込みエラー",
                                                  "予期しないエラーが発生しました"}));
}
