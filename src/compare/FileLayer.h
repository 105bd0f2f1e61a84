// The one place where the comparison touches the operating system's file
// interface. Everything platform-specific stays behind these declarations:
// FileLayerPosix.cpp and FileLayerWindows.cpp hold it, FileLayer.cpp what
// both share. Whatever may wait on a device is called on a reader thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

namespace mvx {

// Where the bytes compared come from.
enum class ReadPath {
    // From the devices, past the system's cache: what a device holds, not
    // what the system remembers of it. The window always reads this way.
    Device,
    // Through the system's cache, as other programs read.
    Cache,
};

// The most that one request reads from a file, in whole blocks; the last
// request of a file asks for a little more, to see the file end. The system
// cuts a read into requests of at most the device's own size (a power of
// two, or 1280 KiB, its usual cap), and a slow device pays for each: 38
// blocks fill their last request to 92 % or more at every such size from
// 120 KiB to 4 MiB (20 blocks made two 1280 KiB requests where 1.56 would do).
inline constexpr std::size_t kRequestLength = std::size_t{38} * 102400;
// Through the cache, memory sets the pace: a request that the processor's
// cache still holds when its blocks are compared.
inline constexpr std::size_t kCachedRequestLength = std::size_t{10} * 102400;
// The memory of one request: room for the most it asks for, on a boundary
// of its own size, in huge pages, so that the system hands it to the device
// in as few pieces as the device takes.
inline constexpr std::size_t kRequestMemory = std::size_t{4} << 20;

// A file opened for one comparison: read access, writers shut out where the
// platform can do that, never written. Closed when the last share in it goes.
class ReadOnlyFile {
public:
    // Throws CompareError with the open-failure message when the path cannot
    // be opened, does not name a regular file or, where the system tells, is
    // held open for writing. Never blocks on the file itself.
    ReadOnlyFile(const std::string &path, ReadPath readPath);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    // The size at the moment of opening.
    [[nodiscard]] std::int64_t Size() const { return opened_.size; }
    // What every read's offset, length and memory must be a multiple of: a
    // power of two that divides kRequestLength.
    [[nodiscard]] std::size_t Unit() const { return unit_; }

    // Reads up to length bytes from offset into memory, fewer only at the end
    // of the file; safe on several threads at once. Throws CompareError on an
    // I/O error. Where the system can, a stop gives the read up.
    std::size_t ReadAt(char *memory, std::size_t length, std::int64_t offset, const std::stop_token &stop);

    // True once another program has asked to open the file for writing or
    // to truncate it. Where the system allows, it is held back while this one
    // reads and is let in here at once; from then on the bytes read may not
    // be the file's. Cheap enough to ask after every block.
    [[nodiscard]] bool WriterWaiting();

    // True when the size or a time is no longer what it was at opening, or
    // the path no longer names the file that was read. Asked of the file
    // system afresh, past any cache of them.
    [[nodiscard]] bool ChangedSinceOpening() const;

    // Both files lie on one device, whose reads of the two take turns.
    [[nodiscard]] bool SharesDeviceWith(const ReadOnlyFile &other) const;

private:
    struct Stamp {
        std::int64_t size = 0;
        std::int64_t modifiedSeconds = 0;
        std::int64_t modifiedNanoseconds = 0;
        // The system alone sets the change time: a writer that puts the
        // modification time back still moves it.
        std::int64_t changedSeconds = 0;
        std::int64_t changedNanoseconds = 0;
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        bool operator==(const Stamp &) const = default;
    };
    [[nodiscard]] Stamp StampOf() const;
    [[nodiscard]] bool NamedBy(const std::string &path) const;

    std::string path_;
    // The system's handle (a descriptor, or a HANDLE), and how it is read.
    std::intptr_t handle_ = 0;
    std::size_t unit_ = 1;
#ifndef _WIN32
    // How the file is read: past the cache; through it, after the cache was
    // made to hold nothing that the device does not, and without keeping what
    // was read; or as any program reads. A file system that refuses reads
    // past the cache turns the first into the second for good.
    enum class Way : unsigned char { Direct, FromBelow, Cached };
    std::atomic<Way> way_ = Way::Cached;
    std::mutex wayLock_;
    // Held: a writer's open waits until the lease is given up. GivenUp: it
    // was, because a writer asked.
    enum class Lease : unsigned char { None, Held, GivenUp } lease_ = Lease::None;
    void ReadThroughCacheFromBelow();
#endif
    Stamp opened_;
};

// Memory for reads past the cache, aligned on kRequestMemory.
std::shared_ptr<char> RequestMemory(std::size_t requests);

// Runs body; a stop meanwhile gives up the system call that the calling thread
// waits in where the system can (an open or a look-up on Windows). Elsewhere
// the call goes on until its device answers.
void GiveUpOnStop(const std::stop_token &stop, const std::function<void()> &body);

// A path with a NUL in it: the system would read it only up to the NUL, and
// so name another file. Such a path names no file here.
bool HoldsNul(const std::string &path);

// A directory entry of that name exists and is a regular file (symbolic links
// followed). Directories, FIFOs, sockets and devices are not files here, and on
// Windows neither is a name with a wildcard or a device name such as NUL.
bool IsExistingFile(const std::string &path);

// The names in a folder, as the bytes they are (their UTF-8 on Windows); none
// when it cannot be read.
std::vector<std::string> FolderEntryNames(const std::string &folder);

} // namespace mvx
