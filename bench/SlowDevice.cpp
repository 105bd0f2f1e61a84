#include "SlowDevice.h"

#include "BenchFiles.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <sys/mount.h>
#include <thread>

namespace mvx::bench {

bool SlowModel::IsDefault() const
{
    return requestsPerSecond == 100 && mibPerSecond == 120 && readAheadKiB == 128 &&
           size == std::int64_t{256} << 20;
}

std::string SlowModel::Describe() const
{
    char text[256];
    std::snprintf(text, sizeof text,
                  "%s over an ext4 image with direct I/O, read-ahead %d KiB, reads limited to %d requests/s "
                  "and %d MiB/s",
                  device.c_str(), readAheadKiB, requestsPerSecond, mibPerSecond);
    return text;
}

SlowPair::SlowPair(const SlowModel &model)
    : source((std::filesystem::path(model.mountPoint) / "source.bin").string()),
      same((std::filesystem::path(model.mountPoint) / "same.bin").string()), model_(model)
{
    WriteSet({source, same}, model.size, false, false);
    Remount();
}

SlowPair::~SlowPair()
{
    std::error_code ignored;
    std::filesystem::remove(source, ignored);
    std::filesystem::remove(same, ignored);
}

void SlowPair::Remount() const
{
    const char *mountPoint = model_.mountPoint.c_str();
    // The last run's files are closed, but the system may take a moment to
    // let go of the file system.
    int tries = 0;
    while (::umount2(mountPoint, 0) != 0) {
        if (errno != EBUSY || ++tries == 50)
            throw std::runtime_error("cannot unmount " + model_.mountPoint);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (::mount(model_.device.c_str(), mountPoint, "ext4", MS_NOATIME, nullptr) != 0)
        throw std::runtime_error("cannot mount " + model_.device + " on " + model_.mountPoint);
}

} // namespace mvx::bench
