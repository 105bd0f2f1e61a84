// How one file of the fault file system misbehaves. The same text names a
// fault on the program's command line and in the reports it writes, so a test
// and the program agree on it through this one header.
#pragma once

#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mvx::faultfs {

enum class FaultKind {
    Hold,  // the first read that covers the offset waits, for a time or until released
    Eio,   // every read that covers the offset fails with EIO, as a bad sector does
    Eintr, // every read that reaches the offset or beyond fails with EINTR
    Short, // the file ends at the offset: reads give its bytes up to there and no further
    Size,  // the file's size is reported as the offset, while reads give all its bytes
    // The first look-up of the file's name (the file system's getattr) or
    // the first open of the file waits, for a time or until released; the
    // offset means nothing.
    HoldLookUp,
    HoldOpen,
};

// A hold that lasts until the test lets it go.
inline constexpr std::chrono::milliseconds kForEver{-1};

struct Fault {
    FaultKind kind = FaultKind::Eio;
    std::int64_t offset = 0; // for Size: the size reported
    // The file's path inside the served folder, without a leading slash.
    std::string name;
    std::chrono::milliseconds holdFor = kForEver; // the holds only

    bool operator==(const Fault &) const = default;
};

Fault Hold(std::string name, std::int64_t offset, std::chrono::milliseconds holdFor = kForEver);
Fault FailWithEio(std::string name, std::int64_t offset);
Fault FailWithEintr(std::string name, std::int64_t offset);
Fault EndAt(std::string name, std::int64_t offset);
Fault ReportSize(std::string name, std::int64_t size);
Fault HoldLookUp(std::string name, std::chrono::milliseconds holdFor = kForEver);
Fault HoldOpen(std::string name, std::chrono::milliseconds holdFor = kForEver);

// KIND:OFFSET:NAME, KIND one of hold, eio, eintr, short, size, hold-lookup,
// hold-open, a hold's with =MILLISECONDS after it where it has a time. The
// name comes last and may hold any character but a NUL.
std::string FaultText(const Fault &fault);
std::optional<Fault> ParseFault(std::string_view text);

// The program reports a read, look-up or open that a hold met with a line of
// kHeldReport and the fault's text, and one of kLetGoReport and the same text
// when it goes on; kReleaseSignal lets every held one go, and from then on
// nothing is held any more.
inline constexpr std::string_view kHeldReport = "held ";
inline constexpr std::string_view kLetGoReport = "let go ";
inline constexpr int kReleaseSignal = SIGUSR2;

// Whether a read of length bytes from offset meets the fault (Size and the
// holds of look-ups and opens, which no read meets, aside).
bool Meets(const Fault &fault, std::int64_t offset, std::size_t length);

// A kind that holds something back, and so may have a time.
bool Holds(FaultKind kind);

} // namespace mvx::faultfs
