// The file system's answers to the system: the names, sizes, times and bytes
// of the served folder as they are, with the plan's faults applied.
#pragma once

#include "faultfs/Plan.h"

#include <fuse.h>
#include <string>

namespace mvx::faultfs {

// What a mount serves; handed to fuse_main as its private data.
struct Served {
    std::string folder; // absolute, without a trailing slash
    FaultPlan plan;
    bool directReads = false; // every file, not only those that need it
};

const fuse_operations &Operations();

} // namespace mvx::faultfs
