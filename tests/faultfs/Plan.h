// The faults that the file system was started with, and what each read and
// each look-up of a file meets among them.
#pragma once

#include "faultfs/Fault.h"

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

namespace mvx::faultfs {

// What one read of a file is to go through, in the order a device would put
// it: held first, then failed, else given up to an end that may come early.
struct ReadFate {
    const Fault *hold = nullptr;
    int error = 0;                     // an errno value; 0 for none
    std::optional<std::int64_t> endAt; // the file's bytes stop here
};

class FaultPlan {
public:
    explicit FaultPlan(std::vector<Fault> faults);

    // Each hold is met by the first read that covers its offset, and by no
    // later one: the fate of one read, taken once.
    ReadFate TakeReadFate(const std::string &name, std::int64_t offset, std::size_t length);
    // Likewise the hold of that kind (HoldLookUp, HoldOpen) that the first
    // look-up or open of the file meets; nothing for the later ones.
    const Fault *TakeHold(FaultKind kind, const std::string &name);

    // The size to report instead of the file's own, if any.
    [[nodiscard]] std::optional<std::int64_t> ReportedSize(const std::string &name) const;

    // A file whose reads must reach the file system as they are asked for,
    // bypassing the system's cache: without that, the system itself stops
    // every read at the reported size, and the fault could never show.
    [[nodiscard]] bool NeedsDirectReads(const std::string &name) const
    {
        return ReportedSize(name).has_value();
    }

private:
    std::vector<Fault> faults_;
    std::unique_ptr<std::atomic<bool>[]> holdTaken_;
};

} // namespace mvx::faultfs
