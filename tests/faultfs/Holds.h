// Holding reads, look-ups and opens back on a test's word, and telling the
// test about it.
#pragma once

#include "faultfs/Fault.h"

#include <functional>

namespace mvx::faultfs {

// Where the reports go, one line each: a file or a FIFO that the test reads.
// False when it cannot be opened.
bool OpenReports(const char *path);

// From here on kReleaseSignal lets everything held go.
void InstallRelease();

// Holds the calling request as the hold says, unless a release came first:
// returns once released, when the hold's time is up, or when ending() tells
// that the file system is being unmounted. Reports it held and let go.
void HoldBack(const Fault &hold, const std::function<bool()> &ending);

} // namespace mvx::faultfs
