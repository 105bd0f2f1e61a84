// The slow-device case: an identical pair on a file system that bench/run.sh
// made on a throttled loop device, and the remount that drops both files
// from the page cache before every run.
#pragma once

#include <cstdint>
#include <string>

namespace mvx::bench {

// The device bench/run.sh modelled, as it was told.
struct SlowModel {
    std::string device;     // the loop device, e.g. /dev/loop0
    std::string mountPoint; // where its ext4 file system is mounted
    std::int64_t size = std::int64_t{256} << 20;
    int requestsPerSecond = 100;
    int mibPerSecond = 120;
    int readAheadKiB = 128;
    int runs = 3;

    [[nodiscard]] bool Given() const { return !device.empty(); }
    // The model the targets were set for.
    [[nodiscard]] bool IsDefault() const;
    [[nodiscard]] std::string Describe() const;
};

class SlowPair {
public:
    // Writes the pair and leaves it out of the cache.
    explicit SlowPair(const SlowModel &model);
    ~SlowPair();
    SlowPair(const SlowPair &) = delete;
    SlowPair &operator=(const SlowPair &) = delete;

    // Unmounts and mounts the file system again: nothing of it stays cached.
    void Remount() const;

    std::string source, same;

private:
    const SlowModel &model_;
};

} // namespace mvx::bench
