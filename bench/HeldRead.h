// The held read: the target's read held back halfway through a pair on the
// fault file system, as a share whose server stops answering holds it.
#pragma once

#include "BenchTable.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace mvx::bench {

struct HeldReadModel {
    std::int64_t size = std::int64_t{256} << 20;
    int runs = 3;
    std::filesystem::path folder;
    // The window program; empty where the windows are not built.
    std::string windowProgram;
};

// Holds the read for five seconds and adds to the goals the longest time
// without event processing meanwhile, in the engine and in the window, and
// the time from Stop to the engine's return and to the window's warning and from Ctrl-C to the end
// of morvatix-cmp.
void RunHeldRead(const HeldReadModel &model, Goals &goals);

} // namespace mvx::bench
