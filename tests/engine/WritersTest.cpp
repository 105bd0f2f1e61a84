// Other programs that write to the files while they are compared: shut out
// where the system allows it, found out where it does not.
#include "compare/Compare.h"
#include "compare/CompareError.h"
#include "engine/Recorder.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <unistd.h>

using mvx::CompareError;
using mvx::CompareFiles;
using mvx::test::Pattern;
using mvx::test::Recorder;
using mvx::test::TempDir;
using mvx::test::WriteBytes;

namespace {

constexpr std::int64_t kSize = 250000; // three blocks
const std::string kReadError = "ストリームからの読み込みエラー";

// What an engine call answered, as text, or the message of its failure.
std::string Outcome(const std::function<std::string()> &call)
{
    try {
        return call();
    } catch (const CompareError &e) {
        return e.what();
    }
}

std::string Verdict(bool same)
{
    return same ? "identical" : "different";
}

std::string CompareOutcome(const std::string &source, const std::string &target, Recorder &recorder)
{
    return Outcome([&] { return Verdict(CompareFiles(source, target, kSize, recorder)); });
}

} // namespace

TEST(Writers, APathThatNamesAnotherFileByTheEndGivesNoVerdict)
{
    // Each move puts an equal file, or none, where the compared one was.
    struct Case {
        const char *name;
        const char *target;
        std::int64_t flip; // the target's differing byte, or -1
        std::function<void(const TempDir &dir)> move;
    };
    const auto renameIn = [](const TempDir &dir, const char *from, const char *to) {
        ASSERT_EQ(std::rename(dir.File(from).c_str(), dir.File(to).c_str()), 0);
    };
    const Case cases[] = {
        {"an equal file renamed over the target", "in/target.bin", -1,
         [&](const TempDir &d) { renameIn(d, "equal.bin", "in/target.bin"); }},
        {"an equal file renamed over a target that differs", "in/target.bin", kSize - 1,
         [&](const TempDir &d) { renameIn(d, "equal.bin", "in/target.bin"); }},
        {"an equal file renamed over the source", "in/target.bin", -1,
         [&](const TempDir &d) { renameIn(d, "equal.bin", "source.bin"); }},
        {"the target renamed away", "in/target.bin", -1,
         [&](const TempDir &d) { renameIn(d, "in/target.bin", "moved.bin"); }},
        {"the target's folder swapped for one with an equal file", "in/target.bin", -1,
         [&](const TempDir &d) {
             renameIn(d, "in", "in.old");
             renameIn(d, "equal", "in");
         }},
        {"a link to the target pointed at an equal file", "link", -1,
         [&](const TempDir &d) {
             ASSERT_EQ(::symlink("equal.bin", d.File("link.new").c_str()), 0);
             renameIn(d, "link.new", "link");
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TempDir dir;
        std::filesystem::create_directory(dir.Path() / "in");
        std::filesystem::create_directory(dir.Path() / "equal");
        WriteBytes(dir.File("source.bin"), Pattern(kSize));
        WriteBytes(dir.File("in/target.bin"), Pattern(kSize, c.flip));
        WriteBytes(dir.File("equal.bin"), Pattern(kSize));
        WriteBytes(dir.File("equal/target.bin"), Pattern(kSize));
        ASSERT_EQ(::symlink("in/target.bin", dir.File("link").c_str()), 0);
        const std::string source = dir.File("source.bin");
        const std::string target = dir.File(c.target);
        Recorder recorder;
        recorder.onEvents = [&] {
            if (recorder.EventCount() == 1)
                c.move(dir);
        };
        EXPECT_EQ(CompareOutcome(source, target, recorder), kReadError);
    }
}
