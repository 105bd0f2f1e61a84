// Size probe and block comparison of two files.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace mvx {

// The most that one step reads from each file.
inline constexpr std::int64_t kBlockLength = 102400;

// Set to 1 to stop the running comparison; it is looked at after each block
// that compared equal. Atomic so that a signal handler may set it too.
extern std::atomic<unsigned char> CancelRequested;

// What the comparison needs from the window that runs it. Positions are the
// bar's own units: bytes, scaled down for files beyond what an int holds.
class CompareProgress {
public:
    virtual ~CompareProgress() = default;
    virtual void SetRange(int minimum, int maximum) = 0;
    virtual void SetPosition(int position) = 0;
    // Lets the user interface handle whatever is pending, a Stop click among
    // it: after each block that compared equal, and every few hundredths of
    // a second while a read waits for its device.
    virtual void ProcessEvents() = 0;
    // True once a read has waited a second for its device, so that a bar
    // that stands still is not taken for a program that hangs; false once
    // the device has answered, or the comparison has ended.
    virtual void WaitingForDevice(bool waiting) = 0;
};

// The size of the file at path. Throws CompareError when it cannot be opened,
// which includes a file held open for writing where the system tells.
std::int64_t FileSizeOf(const std::string &path);

// True when both files hold the same bytes; false on the first differing
// block or when stopped (CancelRequested tells which). A Stop seen while a
// read waits for its device ends the call at once; the read is left to end
// by itself, and another call may start meanwhile. measuredSize is the
// size FileSizeOf gave for both files; a file that no longer has it, that
// changes or is asked for by a writer while it is read, or that its path no
// longer names at the end, raises CompareError instead of a verdict.
bool CompareFiles(const std::string &source, const std::string &target, std::int64_t measuredSize,
                  CompareProgress &progress);

} // namespace mvx
