// Looking up, opening and comparing two files, block by block.
#pragma once

#include "compare/FileLayer.h"
#include "compare/ReadQueue.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace mvx {

// The most that one step compares of each file.
inline constexpr std::int64_t kBlockLength = 102400;

// What the comparison tells whoever runs it, and asks of it.
class CompareProgress {
public:
    virtual ~CompareProgress() = default;
    // Bytes of each file compared so far, of the bytes there are in all:
    // first 0 of the length, then after each block that compared equal; all
    // of it once a difference is found.
    virtual void Progress(std::int64_t done, std::int64_t total) = 0;
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

// The two files of one check. Every file operation runs on a thread of the
// queue while the calling thread waits in slices and services the window; a
// stop of the queue's check gives up such a wait at once, and what waits on
// the device is left to end by itself. A file that cannot be opened, read
// or trusted to the end raises FileError.
class FilePair {
public:
    enum class Opening {
        Opened,
        NoSource, // the source is not an existing file
        NoTarget, // nor is the target
        Stopped,
    };
    enum class Verdict { Identical, Different, Stopped };

    FilePair(ReadQueue &queue, ReadPath readPath);
    // Two files opened already.
    FilePair(ReadQueue &queue, ReadPath readPath, std::shared_ptr<ReadOnlyFile> source,
             std::shared_ptr<ReadOnlyFile> target);

    // Looks up the source and the target and opens them, in that order: the
    // opening takes each size.
    Opening Open(const std::string &source, const std::string &target, CompareProgress &progress);

    // Both sizes tell the files' lengths, and they differ.
    [[nodiscard]] bool SizesDiffer() const;

    // Every byte of both, block by block until the first that differs. A file
    // that does not give the bytes its size promised, that changes or is
    // asked for by a writer while it is read, or that its path no longer
    // names at the end, fails instead of having a verdict.
    Verdict CompareFiles(CompareProgress &progress);

    // Where the files first differ, counted from 0, once CompareFiles has
    // found them different.
    [[nodiscard]] std::optional<std::int64_t> FirstDifference() const { return firstDifference_; }

private:
    class Run;

    ReadQueue &queue_;
    ReadPath readPath_;
    std::shared_ptr<ReadOnlyFile> source_;
    std::shared_ptr<ReadOnlyFile> target_;
    std::optional<std::int64_t> firstDifference_;
};

} // namespace mvx
