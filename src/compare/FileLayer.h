// The one place where the comparison touches the operating system's file
// interface. Everything platform-specific stays behind these declarations:
// FileLayerPosix.cpp and FileLayerWindows.cpp hold it, FileLayer.cpp what
// both share. Whatever may wait on a device is called on a reader thread, and
// a failure leaves as a FileError.
#pragma once

#include "compare/FileFailure.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace mvx {

class Folder;
class PageCache;

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
// A file whose size does not tell its length (an empty one, those of /proc)
// is most often short: it is read to its end in requests of two blocks.
inline constexpr std::size_t kToEndRequestLength = std::size_t{2} * 102400;
// The memory of one request: room for the most it asks for, on a boundary
// of its own size, in huge pages, so that the system hands it to the device
// in as few pieces as the device takes.
inline constexpr std::size_t kRequestMemory = std::size_t{4} << 20;
// The largest unit that a read past the cache may keep to: the largest power
// of two that divides a request.
inline constexpr std::size_t kLargestUnit = kRequestLength & (~kRequestLength + 1);

// A file opened for one comparison: read access, writers shut out where the
// platform can do that, never written. Closed when the last share in it goes.
class ReadOnlyFile {
public:
    // Fails (FileStep::Open) when the path cannot be opened, does not name a
    // regular file or, where the system tells, is held open for writing.
    // Never blocks on the file itself. How the file is read is decided here,
    // once: past the cache where the file system reads every byte of it so,
    // otherwise through a cache that was first made to hold nothing of it.
    ReadOnlyFile(const std::string &path, ReadPath readPath);
    // An entry of a folder, a link at that name not followed.
    ReadOnlyFile(std::shared_ptr<const Folder> folder, const std::string &name, ReadPath readPath);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    // The path it was reached by, for messages.
    [[nodiscard]] std::string Path() const;
    // The size at the moment of opening, where it tells how many bytes the
    // file holds; nothing for a file that must be read to its end to know
    // (one of /proc or /sys, or one whose size reads 0).
    [[nodiscard]] std::optional<std::int64_t> Length() const;
    // The size as the file system gave it, for the bar.
    [[nodiscard]] std::int64_t Size() const { return opened_.size; }
    // What every read's offset, length and memory must be a multiple of: a
    // power of two, at most kLargestUnit.
    [[nodiscard]] std::size_t Unit() const { return unit_; }

    // Reads up to length bytes from offset into memory, fewer only at the end
    // of the file; safe on several threads at once. Where the system can, a
    // stop gives the read up.
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
    // Fails at the step given: at opening, the file cannot be opened.
    [[nodiscard]] Stamp StampOf(FileStep step = FileStep::Recheck) const;
    [[nodiscard]] bool NamedBy(const std::string &path) const;
#ifndef _WIN32
    // What the path is looked up in: the folder's descriptor, or the
    // current folder's.
    [[nodiscard]] int Where() const;
#endif
    [[noreturn]] void Fail(FileStep step, int error) const
    {
        mvx::Fail(Path(), step, error);
    }

    // The folder that the name is looked up in; none for a path.
    std::shared_ptr<const Folder> folder_;
    std::string path_;
    // The system's handle (a descriptor, or a HANDLE).
    std::intptr_t handle_ = 0;
    std::size_t unit_ = 1;
    // The size says nothing of the length: a pseudo file system's.
    bool sizeUntold_ = false;
#ifndef _WIN32
    // Read through the cache, which is made to hold nothing of the file
    // first; none where the file is read past it.
    std::unique_ptr<PageCache> cache_;
    // Held: a writer's open waits until the lease is given up. GivenUp: it
    // was, because a writer asked.
    enum class Lease : unsigned char { None, Held, GivenUp } lease_ = Lease::None;
#endif
    Stamp opened_;
};

// Memory for reads past the cache: count slots of slotBytes each, a slot of
// kRequestMemory aligned on its size, a smaller one on kLargestUnit. Each
// page of it is already in place: a read into memory that is not yet there
// may be served by some file systems (btrfs) through the cache instead.
std::shared_ptr<char> RequestMemory(std::size_t count, std::size_t slotBytes);
// Has the system put every page of fresh memory in place.
void TouchPages(char *memory, std::size_t bytes);

// Runs body; a stop meanwhile gives up the system call that the calling thread
// waits in where the system can (an open or a look-up on Windows), again and
// again until body returns. Elsewhere the call goes on until its device
// answers.
void RunCancellable(const std::stop_token &stop, const std::function<void()> &body);

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
