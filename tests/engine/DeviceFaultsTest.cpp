// Devices that fail under the comparison, on a mount of the fault file
// system: whatever block a read fails in, and whether the device ends early
// or gives more than it said, the comparison ends in the read error and
// never in a verdict, and leaves no file open.
#include "compare/Compare.h"
#include "engine/PairCompare.h"
#include "engine/Recorder.h"
#include "faultfs/Fault.h"
#include "support/FaultMount.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

namespace faultfs = mvx::faultfs;
using mvx::kBlockLength;
using mvx::test::CompareFiles;
using mvx::test::FaultMount;
using mvx::test::FileSizeOf;
using mvx::test::kReadError;
using mvx::test::OpenDescriptorCount;
using mvx::test::Pattern;
using mvx::test::Recorder;
using mvx::test::WriteBytes;

namespace {

// Thirty whole blocks and a short one, and more than the engine asks the
// system to read ahead in its first run.
constexpr std::int64_t kLength = 30 * kBlockLength + 28'000;

std::string Outcome(const std::string &source, const std::string &target)
{
    Recorder recorder;
    return mvx::test::VerdictOf(source, target, recorder);
}

} // namespace

TEST(DeviceFaults, AFailingDeviceEndsInTheReadErrorAndNeverInAVerdict)
{
    struct Case {
        const char *name;
        std::vector<faultfs::Fault> faults;
        std::int64_t targetLength; // what the served target holds
        std::string outcome;
        // Through the cache, the system itself never reads past the size.
        bool directOnly = false;
    };
    const std::string error = kReadError;
    const Case cases[] = {
        {"no fault: the mount itself is faithful", {}, kLength, "true"},
        {"EIO in the first block", {faultfs::FailWithEio("target", 1'000)}, kLength, error},
        {"EIO in a middle block", {faultfs::FailWithEio("target", 15 * kBlockLength + 500)}, kLength, error},
        {"EIO in the last block", {faultfs::FailWithEio("target", kLength - 1)}, kLength, error},
        {"the device ends in a middle block",
         {faultfs::EndAt("target", 15 * kBlockLength + 500)},
         kLength,
         error},
        {"the device ends one byte early", {faultfs::EndAt("target", kLength - 1)}, kLength, error},
        {"more bytes than the size it reported",
         {faultfs::ReportSize("target", kLength)},
         kLength + 1,
         error},
        {"EIO where the file is asked whether it ends",
         {faultfs::FailWithEio("target", kLength)},
         kLength,
         error,
         true},
    };
    const std::string bytes = Pattern(kLength + 1);
    for (const char *mode : {"", "direct_io"}) {
        for (const Case &c : cases) {
            if (c.directOnly && *mode == '\0')
                continue;
            SCOPED_TRACE(std::string(c.name) + (*mode != '\0' ? ", " : "") + mode);
            FaultMount mount(c.faults, mode);
            WriteBytes(mount.Backing("source"), bytes.substr(0, kLength));
            WriteBytes(mount.Backing("target"), bytes.substr(0, static_cast<std::size_t>(c.targetLength)));
            const int open = OpenDescriptorCount();
            EXPECT_EQ(Outcome(mount.Mounted("source"), mount.Mounted("target")), c.outcome);
            EXPECT_EQ(OpenDescriptorCount(), open);
        }
    }
}

// A file system that keeps a file's attributes (attr_timeout, as NFS and SMB
// clients do too) would go on telling the size and times from before a
// change on its server.
TEST(DeviceFaults, BytesChangedOnTheServerDuringTheComparisonGiveNoVerdictThroughCachedAttributes)
{
    const std::string bytes = Pattern(kLength);
    for (const bool change : {false, true}) {
        SCOPED_TRACE(change ? "an early block changed halfway through" : "nothing changed");
        FaultMount mount({}, "attr_timeout=30");
        WriteBytes(mount.Backing("source"), bytes);
        WriteBytes(mount.Backing("target"), bytes);
        Recorder recorder;
        int blocks = 0;
        recorder.onEvents = [&] {
            if (change && ++blocks == 15)
                WriteBytes(mount.Backing("target"), Pattern(kLength, 1000));
        };
        EXPECT_EQ(mvx::test::VerdictOf(mount.Mounted("source"), mount.Mounted("target"), recorder),
                  change ? kReadError : "true");
    }
}
