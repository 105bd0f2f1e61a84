// The one place where the comparison touches the operating system's file
// interface. Everything platform-specific stays behind these declarations:
// FileLayerPosix.cpp and FileLayerWindows.cpp hold it, FileLayer.cpp what
// both share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mvx {

class ReaderThread;

// A file opened for one operation: read access, writers shut out where the
// platform can do that, never written. Closed when the object goes away and
// no read that was given up holds it any more.
class ReadOnlyFile {
public:
    // Throws CompareError with the open-failure message when the path cannot
    // be opened, does not name a regular file or, where the system tells, is
    // held open for writing. Never blocks on the file itself.
    explicit ReadOnlyFile(const std::string &path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    // The size at the moment of opening.
    [[nodiscard]] std::int64_t Size() const { return opened_.size; }

    // Reads up to length bytes from offset into buffer, fewer only at the end
    // of the file. What the system serves at once is read on the calling
    // thread; what it would have to wait for is waited for on the reader
    // thread. Nothing when that wait was given up: the read then goes on
    // holding the buffer and the file until the system lets it go. Throws
    // CompareError on an I/O error.
    std::optional<std::size_t> Read(const std::shared_ptr<char> &buffer, std::size_t length,
                                    std::int64_t offset, ReaderThread &reader);

    // True once another program has asked to open the file for writing or
    // to truncate it. Where the system allows, it is held back while this one
    // reads and is let in here at once; from then on the bytes read may not
    // be the file's. Cheap enough to ask after every block.
    [[nodiscard]] bool WriterWaiting();

    // True when the bytes read may not be the file's any more: a writer is
    // waiting, the size or a time is no longer what it was at opening, or the
    // path no longer names the file that was read. The size and the times are
    // asked of the file system afresh, past any cache of them, and so on the
    // reader thread. Nothing when that wait was given up.
    [[nodiscard]] std::optional<bool> ChangedSinceOpening(ReaderThread &reader);

    // Tells the system that the file will be read once, front to back.
    void AdviseSequential() const;

    // Starts the system reading the file from its start in runs of up to
    // runLength bytes, as long as the device takes in one request, and returns
    // without waiting for them where the system allows (elsewhere it waits on
    // the reader thread). Whatever part of the run is cached already is
    // copied into scratch, over and over, and is of no further use. False
    // when a wait for it was given up.
    bool StartReadingAhead(std::size_t runLength, const std::shared_ptr<char> &scratch,
                           std::size_t scratchLength, ReaderThread &reader);

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
    // The system's open file, shared with the reads on the reader thread: it
    // is closed when the last of them lets go.
    struct Handle;
    // Both may wait on the device; neither touches the object, so that they
    // can run on the reader thread after it has gone.
    [[nodiscard]] static Stamp StampOf(const Handle &handle);
    [[nodiscard]] static bool NamedBy(const std::string &path, const Stamp &opened);
    // True once the file has shown itself on a file system that reads
    // without waiting where it can: a local one, which holds an open file's
    // attributes in memory and answers a look-up of them at once.
    [[nodiscard]] bool AnswersAtOnce() const;

    std::string path_;
    std::shared_ptr<Handle> handle_;
#ifndef _WIN32
    // Held: a writer's open waits until the lease is given up. GivenUp: it
    // was, because a writer asked.
    enum class Lease : unsigned char { None, Held, GivenUp } lease_ = Lease::None;
    // Whether the file system reads without waiting where it can: unknown
    // until the first read tried it.
    enum class AtOnce : unsigned char { Unknown, Yes, No } atOnce_ = AtOnce::Unknown;
#endif
    Stamp opened_;
};

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
