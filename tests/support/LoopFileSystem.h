// A real file system (ext4, xfs, btrfs, squashfs) for one test, made on an
// image file in a fresh folder, attached to a loop device and mounted there:
// the image file is the device's medium, which a test may read and change
// beneath the file system and its cache. Needs root. Gone again when the
// object goes.
#pragma once

#include "support/TempFiles.h"

#include <cstdint>
#include <functional>
#include <string>

namespace mvx::test {

class LoopFileSystem {
public:
    // options: the mount's. squashfs is made of the files that fill writes
    // into the folder it is given, and mounted read-only. Throws
    // std::runtime_error saying what to install, or that root is needed,
    // where the file system cannot be made or mounted.
    explicit LoopFileSystem(const std::string &kind, const std::string &options = "",
                            const std::function<void(const std::string &folder)> &fill = {});
    ~LoopFileSystem();
    LoopFileSystem(const LoopFileSystem &) = delete;
    LoopFileSystem &operator=(const LoopFileSystem &) = delete;

    // A path on the mounted file system.
    [[nodiscard]] std::string File(const std::string &name) const;

    // Where the file's bytes from offset on lie on the medium, or -1 where the
    // medium holds none of them yet (written only into the system's cache).
    // Of bytes that the file system keeps compressed: where their extent starts.
    [[nodiscard]] std::int64_t OnMedium(const std::string &path, std::int64_t offset) const;
    // Reads or writes the medium itself, beneath the file system.
    [[nodiscard]] std::string ReadMedium(std::int64_t at, std::size_t length) const;
    void WriteMedium(std::int64_t at, const std::string &bytes) const;

private:
    TempDir dir_;
    std::string kind_;
    std::string image_;
    std::string mount_;
    std::string device_;
    bool mounted_ = false;
};

} // namespace mvx::test
