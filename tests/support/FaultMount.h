// A mount of the fault file system (mvx-faultfs) for one test: a fresh folder
// of files to serve, mounted on a fresh mount point with the faults the test
// chose, and gone again when the object goes. Without Qt: GoogleTest and
// Qt Test use it alike.
//
//     const faultfs::Fault hold = faultfs::Hold("target", 3'000'000);
//     FaultMount mount({hold});
//     WriteBytes(mount.Backing("target"), bytes);
//     ... start reading mount.Mounted("target") ...
//     ASSERT_TRUE(mount.WaitUntilHeld(hold));
//     ... the read is held now ...
//     mount.Release();
//
// Through the system's cache (no direct_io), opening a file again drops its
// cached pages and so waits for a held read of it: a test opens what it needs
// of the held file before the hold, or mounts with kernel_cache. A hold of a
// look-up meets the first look-up of the name: the test leaves the mounted
// name alone until the check has looked it up.
#pragma once

#include "faultfs/Fault.h"
#include "support/TempFiles.h"

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace mvx::test {

class FaultMount {
public:
    static constexpr std::chrono::milliseconds kWait{10000};

    // Starts the file system and returns once its mount is live. options are
    // FUSE's mount options, as after -o ("attr_timeout=30,direct_io"); the
    // mount is read-only whatever they say. Throws std::runtime_error that
    // says what to install where FUSE is missing, and why the mount failed
    // where it does not come up.
    explicit FaultMount(const std::vector<faultfs::Fault> &faults = {}, const std::string &options = {});
    // Lets everything held go, unmounts and waits for the file system to end:
    // also when the test failed or gave up on a read that is still held.
    ~FaultMount();
    FaultMount(const FaultMount &) = delete;
    FaultMount &operator=(const FaultMount &) = delete;

    // Where the test writes a file that the mount is to serve, name relative
    // to the served folder: the name that faults are given for.
    [[nodiscard]] std::string Backing(const std::string &name) const;
    // The same file as the mount serves it.
    [[nodiscard]] std::string Mounted(const std::string &name) const;

    // True once the read, look-up or open that the hold holds has arrived at
    // the file system and is held there; false when none has within the
    // timeout.
    bool WaitUntilHeld(const faultfs::Fault &hold, std::chrono::milliseconds timeout = kWait);
    // True once what was held has gone on (released, or its time was up).
    bool WaitUntilLetGo(const faultfs::Fault &hold, std::chrono::milliseconds timeout = kWait);
    // Lets everything held go at once; from then on nothing is held.
    void Release();

    // What has to be installed or built before a mount can work, as a
    // message for the test to fail with; empty when nothing is missing.
    static std::string WhatIsMissing();

private:
    void WaitForMount();
    bool WaitForReport(const std::string &report, std::chrono::milliseconds timeout);
    void Stop();

    TempDir dir_;
    std::string backing_;
    std::string mount_;
    int reports_ = -1;
    std::string unread_; // reported text that is not a whole line yet
    std::vector<std::string> reported_;
    pid_t child_ = -1;
};

} // namespace mvx::test
