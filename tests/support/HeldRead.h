// The held read that the device tests share: a pair of files on the fault
// file system whose target's read is held back part way through.
#pragma once

#include "compare/Compare.h"
#include "support/FaultMount.h"
#include "support/TempFiles.h"

#include <chrono>
#include <cstdint>
#include <initializer_list>

namespace mvx::test {

// Two requests and a little more, so that the held read comes after the
// first request's blocks have compared.
inline constexpr std::int64_t kHeldPairLength = 2 * static_cast<std::int64_t>(kRequestLength) + 777;
// Inside the second request, nine blocks in.
inline constexpr std::int64_t kHeldAt = static_cast<std::int64_t>(kRequestLength) + 952'000;
// Far longer than any stop may take, and short enough that a program that
// waited for the read after all fails instead of hanging.
inline constexpr std::chrono::milliseconds kHeldLong{5000};
// A wait given up at all, and not sat out until the device answers: well
// within this, where waiting would take kHeldLong. No measure of speed (a
// loaded machine passes too); bench/run.sh measures how fast.
inline constexpr std::chrono::milliseconds kGivenUpWithin{2000};

// The held pair's bytes in each of the files, in the mount's backing folder.
inline void WriteHeldFiles(const FaultMount &mount,
                           std::initializer_list<const char *> names = {"source", "target"})
{
    const std::string bytes = Pattern(kHeldPairLength);
    for (const char *name : names)
        WriteBytes(mount.Backing(name), bytes);
}

} // namespace mvx::test
