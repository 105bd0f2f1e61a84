// The held read that the device tests share: a pair of files on the fault
// file system whose target's read is held back part way through.
#pragma once

#include "compare/Compare.h"

#include <chrono>
#include <cstdint>

namespace mvx::test {

// Long enough that the held read comes after the first blocks have compared.
inline constexpr std::int64_t kHeldPairLength = 40 * kBlockLength + 777;
// Inside block 29, past what the engine asks the system to read ahead first.
inline constexpr std::int64_t kHeldAt = 3'000'000;
// Far longer than any stop may take, and short enough that a program that
// waited for the read after all fails instead of hanging.
inline constexpr std::chrono::milliseconds kHeldLong{5000};
// A wait given up at all, and not sat out until the device answers: well
// within this, where waiting would take kHeldLong. No measure of speed (a
// loaded machine passes too); bench/run.sh measures how fast.
inline constexpr std::chrono::milliseconds kGivenUpWithin{2000};

} // namespace mvx::test
