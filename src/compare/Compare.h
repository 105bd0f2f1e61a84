// Looking up, opening and comparing two files, block by block.
#pragma once

#include "compare/FileLayer.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace mvx {

class Reader;

// The most that one step compares of each file.
inline constexpr std::int64_t kBlockLength = 102400;

// Set to 1 to stop the running check; it is looked at after each block that
// compared equal and while a file operation waits for its device. Atomic so
// that a signal handler may set it too.
extern std::atomic<unsigned char> CancelRequested;

// What the comparison needs from the window that runs it. Positions are the
// bar's own units: bytes, scaled down for files beyond what an int holds.
class CompareProgress {
public:
    virtual ~CompareProgress() = default;
    // The bytes that the range stands for, told before it is set, for a front
    // end that counts bytes rather than steps of the bar.
    virtual void SetLength(std::int64_t /*bytes*/) {}
    virtual void SetRange(int minimum, int maximum) = 0;
    virtual void SetPosition(int position) = 0;
    // Lets the user interface handle whatever is pending, a Stop click among
    // it: after each block that compared equal.
    virtual void ProcessEvents() = 0;
    // The same, every few hundredths of a second while a file operation
    // waits for its device.
    virtual void ProcessEventsWhileWaiting() { ProcessEvents(); }
    // True once a file operation has waited a second for its device, so that
    // a bar that stands still is not taken for a program that hangs; false
    // once the device has answered, or the wait has ended.
    virtual void WaitingForDevice(bool waiting) = 0;
};

// The two files of one check. Every file operation runs on a reader thread
// while the calling thread, the window's own, waits in slices and services
// the window; a Stop gives up such a wait at once, and what waits on the
// device is left to end by itself.
class FilePair {
public:
    enum class Opening {
        Opened,
        NoSource, // the source is not an existing file
        NoTarget, // nor is the target
        Stopped,
    };

    explicit FilePair(ReadPath readPath = ReadPath::Device);
    ~FilePair();
    FilePair(const FilePair &) = delete;
    FilePair &operator=(const FilePair &) = delete;

    // Clears CancelRequested, then looks up the source and the target and
    // opens them, in that order: the opening takes each size. Throws
    // CompareError with the open-failure message of the first file that
    // cannot be opened.
    Opening Open(const std::string &source, const std::string &target, CompareProgress &progress);

    // Both files have sizes, and they differ. A file whose size reads 0 (an
    // empty one, or one of /proc that says 0 and holds text) has none: it is
    // read to its end.
    [[nodiscard]] bool SizesDiffer() const;

    // True when both opened files hold the same bytes; false on the first
    // differing block or when stopped (CancelRequested tells which). A file
    // that does not give the bytes its size promised, that changes or is
    // asked for by a writer while it is read, or that its path no longer
    // names at the end, raises CompareError instead of a verdict.
    bool CompareFiles(CompareProgress &progress);

    // Where the files first differ, counted from 0, once CompareFiles has
    // found them different.
    [[nodiscard]] std::optional<std::int64_t> FirstDifference() const { return firstDifference_; }

private:
    ReadPath readPath_;
    std::unique_ptr<Reader> reader_;
    std::shared_ptr<ReadOnlyFile> source_;
    std::shared_ptr<ReadOnlyFile> target_;
    std::optional<std::int64_t> firstDifference_;
};

} // namespace mvx
