// The slow devices: two file systems that bench/run.sh made on throttled loop
// devices, the pairs the benchmark compares there, and the remount that takes
// every file out of the page cache before each run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mvx::bench {

// The devices bench/run.sh modelled, as it was told.
struct SlowModel {
    // Two loop devices and where their ext4 file systems are mounted.
    std::vector<std::string> devices;
    std::vector<std::string> mountPoints;
    std::int64_t size = std::int64_t{256} << 20;
    int requestsPerSecond = 100;
    int mibPerSecond = 120;
    int runs = 5;

    [[nodiscard]] bool Given() const { return !devices.empty(); }
    // The model the goals were set for.
    [[nodiscard]] bool IsDefault() const;
    [[nodiscard]] std::string Describe() const;
};

// A source and a copy on the first device, and another copy on the second.
class SlowFiles {
public:
    // Writes the three files and leaves them out of the cache.
    explicit SlowFiles(const SlowModel &model);
    ~SlowFiles();
    SlowFiles(const SlowFiles &) = delete;
    SlowFiles &operator=(const SlowFiles &) = delete;

    // Unmounts both file systems and mounts them again: nothing of them stays
    // cached.
    void Remount() const;

    std::string source, sameDevice, otherDevice;

private:
    const SlowModel &model_;
};

} // namespace mvx::bench
