// A real file system (ext4, xfs) for one test, made on an image file in a
// fresh folder, attached to a loop device and mounted there: the image file
// is the device's medium, which a test may read and change beneath the file
// system and its cache. Needs root. Gone again when the object goes.
#pragma once

#include "support/TempFiles.h"

#include <cstdint>
#include <string>

namespace mvx::test {

class LoopFileSystem {
public:
    // Throws std::runtime_error saying what to install, or that root is
    // needed, where the file system cannot be made or mounted.
    explicit LoopFileSystem(const std::string &kind);
    ~LoopFileSystem();
    LoopFileSystem(const LoopFileSystem &) = delete;
    LoopFileSystem &operator=(const LoopFileSystem &) = delete;

    // A path on the mounted file system.
    [[nodiscard]] std::string File(const std::string &name) const;

    // Where the file's bytes from offset on lie on the medium, or -1 where the
    // medium holds none of them yet (written only into the system's cache).
    [[nodiscard]] static std::int64_t OnMedium(const std::string &path, std::int64_t offset);
    // Reads or writes the medium itself, beneath the file system.
    [[nodiscard]] std::string ReadMedium(std::int64_t at, std::size_t length) const;
    void WriteMedium(std::int64_t at, const std::string &bytes) const;

private:
    TempDir dir_;
    std::string image_;
    std::string mount_;
    std::string device_;
    bool mounted_ = false;
};

} // namespace mvx::test
