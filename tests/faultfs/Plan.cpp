#include "faultfs/Plan.h"

#include <algorithm>
#include <cerrno>

namespace mvx::faultfs {

FaultPlan::FaultPlan(std::vector<Fault> faults)
    : faults_(std::move(faults)), holdTaken_(std::make_unique<std::atomic<bool>[]>(faults_.size()))
{}

ReadFate FaultPlan::TakeReadFate(const std::string &name, std::int64_t offset, std::size_t length)
{
    ReadFate fate;
    for (std::size_t i = 0; i < faults_.size(); ++i) {
        const Fault &fault = faults_[i];
        if (fault.name != name || !Meets(fault, offset, length))
            continue;
        switch (fault.kind) {
        case FaultKind::Hold:
            if (fate.hold == nullptr && !holdTaken_[i].exchange(true))
                fate.hold = &fault;
            break;
        case FaultKind::Eio:
            fate.error = EIO;
            break;
        case FaultKind::Eintr:
            if (fate.error == 0)
                fate.error = EINTR;
            break;
        case FaultKind::Short:
            fate.endAt = std::min(fate.endAt.value_or(fault.offset), fault.offset);
            break;
        case FaultKind::Size:
        case FaultKind::HoldLookUp:
        case FaultKind::HoldOpen:
            break;
        }
    }
    return fate;
}

const Fault *FaultPlan::TakeHold(FaultKind kind, const std::string &name)
{
    for (std::size_t i = 0; i < faults_.size(); ++i)
        if (faults_[i].kind == kind && faults_[i].name == name && !holdTaken_[i].exchange(true))
            return &faults_[i];
    return nullptr;
}

std::optional<std::int64_t> FaultPlan::ReportedSize(const std::string &name) const
{
    const auto found = std::find_if(faults_.begin(), faults_.end(), [&](const Fault &fault) {
        return fault.kind == FaultKind::Size && fault.name == name;
    });
    if (found == faults_.end())
        return std::nullopt;
    return found->offset;
}

} // namespace mvx::faultfs
