#include "support/LoopFileSystem.h"

#include <array>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <memory>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace mvx::test {

namespace {

// Big enough for any of the kinds (xfs takes no less than 300 MiB); sparse,
// so that it takes only what the file system writes.
constexpr std::int64_t kImageBytes = std::int64_t{320} << 20;

// The program's standard output, and whether it ended with status 0.
std::pair<std::string, bool> Run(const std::vector<std::string> &words)
{
    std::string line;
    for (const std::string &word : words) {
        line += '\'';
        for (const char c : word)
            line += c == '\'' ? std::string("'\\''") : std::string(1, c);
        line += "' ";
    }
    line += "2>&1";
    std::unique_ptr<FILE, decltype(&::pclose)> pipe(::popen(line.c_str(), "r"), &::pclose);
    if (!pipe)
        return {"", false};
    std::string out;
    std::array<char, 256> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe.get()) != nullptr)
        out += buffer.data();
    const int status = ::pclose(pipe.release());
    return {out, WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

void Must(const std::vector<std::string> &words, const std::string &otherwise)
{
    const auto [out, ok] = Run(words);
    if (!ok)
        throw std::runtime_error(otherwise + " (" + words.front() + " said: " + out + ")");
}

class Descriptor {
public:
    Descriptor(const std::string &path, int flags) : fd_(::open(path.c_str(), flags | O_CLOEXEC))
    {
        if (fd_ < 0)
            throw std::runtime_error("cannot open " + path);
    }
    ~Descriptor() { ::close(fd_); }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    [[nodiscard]] int Get() const { return fd_; }

private:
    int fd_;
};

} // namespace

LoopFileSystem::LoopFileSystem(const std::string &kind, const std::string &options,
                               const std::function<void(const std::string &folder)> &fill)
    : kind_(kind), image_(dir_.File("medium.img")), mount_(dir_.File("mount"))
{
    if (::geteuid() != 0)
        throw std::runtime_error("a loop device takes root: run the tests as root, as CI does");
    const bool squashfs = kind == "squashfs";
    const std::string make = squashfs ? "mksquashfs" : "mkfs." + kind;
    const char *package = squashfs          ? "squashfs-tools"
                          : kind == "xfs"   ? "xfsprogs"
                          : kind == "btrfs" ? "btrfs-progs"
                                            : "e2fsprogs";
    if (!Run({"sh", "-c", "command -v " + make}).second)
        throw std::runtime_error(make + " is missing: install " + package + " (scripts/deps.sh installs it)");
    std::filesystem::create_directory(mount_);
    if (squashfs) {
        const std::string content = dir_.File("content");
        std::filesystem::create_directory(content);
        fill(content);
        Must({make, content, image_, "-quiet", "-no-progress"}, "cannot make squashfs of " + content);
    } else {
        std::ofstream(image_, std::ios::binary).close();
        std::filesystem::resize_file(image_, static_cast<std::uintmax_t>(kImageBytes));
        const char *force = kind == "ext4" ? "-F" : "-f";
        Must({make, "-q", force, image_}, "cannot make " + kind + " on " + image_);
    }
    auto [device, attached] = Run({"losetup", "--find", "--show", image_});
    if (!attached)
        throw std::runtime_error("cannot attach a loop device: load the loop module (modprobe loop); a "
                                 "container needs /dev/loop-control passed in (" +
                                 device + ")");
    device_ = device.substr(0, device.find('\n'));
    try {
        std::vector<std::string> mount{"mount", "-t", kind};
        if (!options.empty())
            mount.insert(mount.end(), {"-o", options});
        mount.insert(mount.end(), {device_, mount_});
        Must(mount, "cannot mount " + device_);
    } catch (...) {
        Run({"losetup", "-d", device_});
        throw;
    }
    mounted_ = true;
}

LoopFileSystem::~LoopFileSystem()
{
    if (mounted_)
        Run({"umount", mount_});
    Run({"losetup", "-d", device_});
}

std::string LoopFileSystem::File(const std::string &name) const
{
    return mount_ + "/" + name;
}

std::int64_t LoopFileSystem::OnMedium(const std::string &path, std::int64_t offset) const
{
    const Descriptor file(path, O_RDONLY);
    // The map and room for one extent after it.
    std::vector<std::uint64_t> room((sizeof(fiemap) + sizeof(fiemap_extent)) / sizeof(std::uint64_t) + 1);
    auto *map = reinterpret_cast<fiemap *>(room.data());
    map->fm_start = static_cast<std::uint64_t>(offset);
    map->fm_length = 1;
    map->fm_extent_count = 1;
    if (::ioctl(file.Get(), FS_IOC_FIEMAP, map) != 0 || map->fm_mapped_extents != 1)
        return -1;
    const fiemap_extent &extent = map->fm_extents[0];
    if ((extent.fe_flags & (FIEMAP_EXTENT_DELALLOC | FIEMAP_EXTENT_UNKNOWN | FIEMAP_EXTENT_UNWRITTEN)) != 0)
        return -1;
    std::uint64_t at = extent.fe_physical;
    if ((extent.fe_flags & FIEMAP_EXTENT_ENCODED) == 0)
        at += static_cast<std::uint64_t>(offset) - extent.fe_logical;
    if (kind_ != "btrfs")
        return static_cast<std::int64_t>(at);
    // btrfs maps its own addresses onto its devices, as its trees on the
    // medium say once they are written.
    Must({"sync", "-f", path}, "cannot sync " + path);
    const std::string out = Run({"btrfs-map-logical", "-l", std::to_string(at), device_}).first;
    const std::size_t physical = out.find("physical ");
    if (physical == std::string::npos)
        throw std::runtime_error("btrfs-map-logical cannot place " + std::to_string(at) + ": " + out);
    return std::stoll(out.substr(physical + 9));
}

std::string LoopFileSystem::ReadMedium(std::int64_t at, std::size_t length) const
{
    const Descriptor medium(image_, O_RDONLY);
    std::string bytes(length, '\0');
    bytes.resize(
        static_cast<std::size_t>(std::max<ssize_t>(0, ::pread(medium.Get(), bytes.data(), length, at))));
    return bytes;
}

void LoopFileSystem::WriteMedium(std::int64_t at, const std::string &bytes) const
{
    const Descriptor medium(image_, O_WRONLY);
    if (::pwrite(medium.Get(), bytes.data(), bytes.size(), at) != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error("cannot write the medium");
}

} // namespace mvx::test
