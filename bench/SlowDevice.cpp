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
    return requestsPerSecond == 100 && mibPerSecond == 120 && size == std::int64_t{256} << 20;
}

std::string SlowModel::Describe() const
{
    char text[256];
    std::snprintf(text, sizeof text,
                  "%s and %s (loop devices with direct I/O over ext4 images),\n"
                  "each limited to %d read requests/s and %d MiB/s",
                  devices.at(0).c_str(), devices.at(1).c_str(), requestsPerSecond, mibPerSecond);
    return text;
}

SlowFiles::SlowFiles(const SlowModel &model)
    : source((std::filesystem::path(model.mountPoints.at(0)) / "source.bin").string()),
      sameDevice((std::filesystem::path(model.mountPoints.at(0)) / "same.bin").string()),
      otherDevice((std::filesystem::path(model.mountPoints.at(1)) / "same.bin").string()), model_(model)
{
    WriteSet({source, sameDevice, otherDevice}, model.size);
    Remount();
}

SlowFiles::~SlowFiles()
{
    std::error_code ignored;
    for (const std::string *path : {&source, &sameDevice, &otherDevice})
        std::filesystem::remove(*path, ignored);
}

void SlowFiles::Remount() const
{
    for (std::size_t i = 0; i < model_.devices.size(); ++i) {
        const char *mountPoint = model_.mountPoints.at(i).c_str();
        // The last run's files are closed, but the system may take a moment
        // to let go of the file system.
        int tries = 0;
        while (::umount2(mountPoint, 0) != 0) {
            if (errno != EBUSY || ++tries == 50)
                throw std::runtime_error(std::string("cannot unmount ") + mountPoint);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (::mount(model_.devices.at(i).c_str(), mountPoint, "ext4", MS_NOATIME, nullptr) != 0)
            throw std::runtime_error("cannot mount " + model_.devices.at(i) + " on " + mountPoint);
    }
}

} // namespace mvx::bench
