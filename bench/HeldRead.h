// The held read: the target's read held back halfway through a pair on the
// fault file system, as a share whose server stops answering holds it.
#pragma once

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

// Prints the longest time without event processing while the read is held
// for five seconds, in the engine and in the window, and the time from Stop
// (the engine and the window) and from Ctrl-C (morvatix-cmp) to the end of
// the wait.
void RunHeldRead(const HeldReadModel &model);

} // namespace mvx::bench
