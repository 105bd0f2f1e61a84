#include "compare/Compare.h"
#include "engine/PairCompare.h"
#include "engine/Recorder.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <cstdio>

using mvx::FileError;
using mvx::test::CompareFiles;
using mvx::test::FileSizeOf;
using mvx::test::MessageOf;
using mvx::test::Pattern;
using mvx::test::Recorder;
using mvx::test::TempDir;
using mvx::test::WriteBytes;
using mvx::test::WriteSparse;
using Calls = std::vector<std::string>;

namespace {

using Pair = mvx::test::TempPair;

bool Compare(const Pair &pair, Recorder &recorder, mvx::ReadPath readPath = mvx::ReadPath::Device)
{
    return CompareFiles(pair.source, pair.target, recorder, readPath);
}

} // namespace

TEST(CompareFiles, ReadsInBlocksAndReportsEachStepInOrder)
{
    struct Case {
        const char *name;
        std::int64_t size;
        std::int64_t flip; // index of the differing byte, or -1
        bool same;
        Calls calls;
    };
    const Case cases[] = {
        {"three blocks, the last one short",
         250000,
         -1,
         true,
         {"range 0..250000", "events", "at 102400", "events", "at 204800", "events", "at 250000"}},
        {"exact multiple of the block: no read of nothing at the end",
         204800,
         -1,
         true,
         {"range 0..204800", "events", "at 102400", "events", "at 204800"}},
        {"smaller than a block: one step", 1000, -1, true, {"range 0..1000", "events", "at 1000"}},
        {"two empty files: one pass that compares nothing", 0, -1, true, {"range 0..0", "events", "at 0"}},
        {"difference in the first block: the bar jumps to full at once",
         250000,
         5,
         false,
         {"range 0..250000", "at 250000"}},
        {"difference in the very last byte",
         250000,
         249999,
         false,
         {"range 0..250000", "events", "at 102400", "events", "at 204800", "at 250000"}},
        {"difference in the first byte of the second block",
         204800,
         102400,
         false,
         {"range 0..204800", "events", "at 102400", "at 204800"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Pair pair(Pattern(c.size), Pattern(c.size, c.flip));
        Recorder recorder;
        EXPECT_EQ(Compare(pair, recorder), c.same);
        EXPECT_EQ(recorder.Steps(), c.calls);
    }
}

TEST(CompareFiles, FilesReadAheadInLongRequestsAreStillComparedBlockByBlockFromTheStart)
{
    // More requests than are in flight at once: each request's memory is
    // used again for a later one.
    constexpr auto kRequest = static_cast<std::int64_t>(mvx::kRequestLength);
    constexpr std::int64_t kSize = 9 * kRequest + 12345;
    constexpr std::int64_t kBlocks = (kSize + 102399) / 102400;
    struct Case {
        const char *name;
        std::int64_t flip;
        bool same;
        std::int64_t events; // blocks that compared equal
    };
    const Case cases[] = {
        {"identical", -1, true, kBlocks},
        {"the first byte differs: one step, the bar jumps to full", 0, false, 0},
        {"a difference inside the first request", 1500000, false, 1500000 / 102400},
        {"a difference in a request whose memory was used before", 5 * kRequest + 7, false,
         5 * kRequest / 102400},
        {"the last byte differs", kSize - 1, false, kBlocks - 1},
    };
    // Through the cache the requests are shorter, and end elsewhere.
    for (const auto readPath : {mvx::ReadPath::Device, mvx::ReadPath::Cache})
        for (const Case &c : cases) {
            SCOPED_TRACE(c.name);
            SCOPED_TRACE(readPath == mvx::ReadPath::Cache ? "through the cache" : "past the cache");
            const Pair pair(Pattern(kSize), Pattern(kSize, c.flip));
            Recorder recorder;
            EXPECT_EQ(Compare(pair, recorder, readPath), c.same);
            EXPECT_EQ(recorder.EventCount(), c.events);
            const std::vector<std::string> steps = recorder.Steps();
            ASSERT_FALSE(steps.empty());
            EXPECT_EQ(steps.front(), "range 0.." + std::to_string(kSize));
            EXPECT_EQ(steps.back(), "at " + std::to_string(kSize));
        }
}

TEST(CompareFiles, StopIsNoticedAfterTheEventsOfAnyStepEvenTheLast)
{
    const Pair pair(Pattern(250000), Pattern(250000));
    for (int stopAt = 1; stopAt <= 3; ++stopAt) {
        SCOPED_TRACE(stopAt);
        Recorder recorder;
        recorder.onEvents = [&] {
            if (recorder.EventCount() == stopAt)
                recorder.stop.request_stop();
        };
        EXPECT_FALSE(Compare(pair, recorder));
        EXPECT_EQ(recorder.EventCount(), stopAt);
        EXPECT_EQ(recorder.Steps().back(), "events") << "the bar moves no further after a stop";
    }
}

TEST(CompareFiles, ComparesTheSameFileReachedTwoWays)
{
    TempDir dir;
    const std::string path = dir.File("one.bin");
    WriteBytes(path, Pattern(300000));
    Recorder recorder;
    EXPECT_TRUE(CompareFiles(path, dir.File("./one.bin"), recorder));
}

TEST(CompareFiles, ClosesEveryFileOnEveryWayOut)
{
    const Pair same(Pattern(250000), Pattern(250000));
    const Pair different(Pattern(250000), Pattern(250000, 200000));
    const int before = mvx::test::OpenDescriptorCount();
    ASSERT_GT(before, 0);

    Recorder ok;
    EXPECT_TRUE(Compare(same, ok));
    EXPECT_EQ(mvx::test::OpenDescriptorCount(), before) << "after identical";

    Recorder differ;
    EXPECT_FALSE(Compare(different, differ));
    EXPECT_EQ(mvx::test::OpenDescriptorCount(), before) << "after different";

    Recorder stop;
    stop.onEvents = [&] { stop.stop.request_stop(); };
    EXPECT_FALSE(Compare(same, stop));
    EXPECT_EQ(mvx::test::OpenDescriptorCount(), before) << "after stop";

    Recorder missingTarget;
    EXPECT_EQ(mvx::test::OpeningOf(same.source, same.dir.File("gone"), missingTarget),
              mvx::FilePair::Opening::NoTarget);
    EXPECT_EQ(mvx::test::OpenDescriptorCount(), before) << "after a target that is not there";

#ifndef _WIN32
    // An open file cannot be renamed on Windows (WindowsFilesTest.cpp).
    // Renamed away, the path no longer names the file that was read.
    Recorder renamed;
    renamed.onEvents = [&] {
        if (renamed.EventCount() == 1)
            std::rename(same.target.c_str(), same.dir.File("moved").c_str());
    };
    EXPECT_THROW(Compare(same, renamed), FileError);
    EXPECT_EQ(mvx::test::OpenDescriptorCount(), before) << "after a read error";
#endif

    EXPECT_THROW(FileSizeOf(same.dir.File("gone")), FileError);
    EXPECT_EQ(FileSizeOf(same.source), 250000);
    EXPECT_EQ(mvx::test::OpenDescriptorCount(), before) << "after the size probes";
}

TEST(CompareFiles, FailuresCarryTheExactMessageWithThePathAsPassedIn)
{
    const TempDir dir;
    const std::string missing = dir.File("無い ファイル.txt");
    EXPECT_EQ(MessageOf([&] { FileSizeOf(missing); }), "ファイル " + missing + " は開けません");

    const std::string relative = "./does/not/exist";
    EXPECT_EQ(MessageOf([&] { FileSizeOf(relative); }), "ファイル ./does/not/exist は開けません");
}

TEST(CompareFiles, SizesBeyond32BitsAreNeitherCutNorWrapped)
{
    constexpr std::int64_t kGiB = 1024LL * 1024 * 1024;
    TempDir dir;
    const std::string big = dir.File("big");
    const std::string small = dir.File("small");
    WriteSparse(big, 4 * kGiB + 10);
    WriteSparse(small, 10);
    EXPECT_EQ(FileSizeOf(big), 4 * kGiB + 10);
    EXPECT_NE(FileSizeOf(big), FileSizeOf(small)) << "4 GiB apart is not the same size";

    // Beyond 32 bits the bytes still start at 0 and end full.
    const std::string a = dir.File("a");
    const std::string b = dir.File("b");
    WriteSparse(a, 3 * kGiB, 'a');
    WriteSparse(b, 3 * kGiB, 'b');
    Recorder differ;
    EXPECT_FALSE(CompareFiles(a, b, differ));
    ASSERT_FALSE(differ.Steps().empty());
    EXPECT_EQ(differ.Steps().front(), "range 0..3221225472");
    EXPECT_EQ(differ.Steps().back(), "at 3221225472") << "the bar ends full";

    WriteSparse(b, 3 * kGiB, 'a');
    Recorder same;
    EXPECT_TRUE(CompareFiles(a, b, same));
    EXPECT_EQ(same.Steps().back(), "at 3221225472");
}
