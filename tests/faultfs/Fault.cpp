#include "faultfs/Fault.h"

#include <array>
#include <charconv>
#include <utility>

namespace mvx::faultfs {

namespace {

struct KindWord {
    FaultKind kind;
    std::string_view word;
};

constexpr std::array kKindWords{
    KindWord{FaultKind::Hold, "hold"},         KindWord{FaultKind::Eio, "eio"},
    KindWord{FaultKind::Eintr, "eintr"},       KindWord{FaultKind::Short, "short"},
    KindWord{FaultKind::Size, "size"},         KindWord{FaultKind::HoldLookUp, "hold-lookup"},
    KindWord{FaultKind::HoldOpen, "hold-open"}};

std::optional<std::int64_t> Number(std::string_view text)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

Fault Make(FaultKind kind, std::string name, std::int64_t offset,
           std::chrono::milliseconds holdFor = kForEver)
{
    Fault fault;
    fault.kind = kind;
    fault.offset = offset;
    fault.name = std::move(name);
    fault.holdFor = holdFor;
    return fault;
}

} // namespace

Fault Hold(std::string name, std::int64_t offset, std::chrono::milliseconds holdFor)
{
    return Make(FaultKind::Hold, std::move(name), offset, holdFor);
}

Fault HoldLookUp(std::string name, std::chrono::milliseconds holdFor)
{
    return Make(FaultKind::HoldLookUp, std::move(name), 0, holdFor);
}

Fault HoldOpen(std::string name, std::chrono::milliseconds holdFor)
{
    return Make(FaultKind::HoldOpen, std::move(name), 0, holdFor);
}

Fault FailWithEio(std::string name, std::int64_t offset)
{
    return Make(FaultKind::Eio, std::move(name), offset);
}

Fault FailWithEintr(std::string name, std::int64_t offset)
{
    return Make(FaultKind::Eintr, std::move(name), offset);
}

Fault EndAt(std::string name, std::int64_t offset)
{
    return Make(FaultKind::Short, std::move(name), offset);
}

Fault ReportSize(std::string name, std::int64_t size)
{
    return Make(FaultKind::Size, std::move(name), size);
}

std::string FaultText(const Fault &fault)
{
    std::string text;
    for (const KindWord &k : kKindWords)
        if (k.kind == fault.kind)
            text = k.word;
    if (Holds(fault.kind) && fault.holdFor != kForEver)
        text.append("=").append(std::to_string(fault.holdFor.count()));
    return text.append(":").append(std::to_string(fault.offset)).append(":").append(fault.name);
}

std::optional<Fault> ParseFault(std::string_view text)
{
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos || second + 1 == text.size() ||
        text.find('\0') != std::string_view::npos)
        return std::nullopt;
    std::string_view kindText = text.substr(0, first);
    std::optional<std::int64_t> holdFor;
    if (const std::size_t equals = kindText.find('='); equals != std::string_view::npos) {
        holdFor = Number(kindText.substr(equals + 1));
        kindText = kindText.substr(0, equals);
        if (!holdFor)
            return std::nullopt;
    }
    const std::optional<std::int64_t> offset = Number(text.substr(first + 1, second - first - 1));
    if (!offset)
        return std::nullopt;
    for (const KindWord &k : kKindWords) {
        if (k.word != kindText || (holdFor && !Holds(k.kind)))
            continue;
        Fault fault = Make(k.kind, std::string(text.substr(second + 1)), *offset);
        if (holdFor)
            fault.holdFor = std::chrono::milliseconds(*holdFor);
        return fault;
    }
    return std::nullopt;
}

bool Meets(const Fault &fault, std::int64_t offset, std::size_t length)
{
    const std::int64_t end = offset + static_cast<std::int64_t>(length);
    switch (fault.kind) {
    case FaultKind::Hold:
    case FaultKind::Eio:
        return offset <= fault.offset && fault.offset < end;
    case FaultKind::Eintr:
    case FaultKind::Short:
        return end > fault.offset;
    case FaultKind::Size:
    case FaultKind::HoldLookUp:
    case FaultKind::HoldOpen:
        return false;
    }
    return false;
}

bool Holds(FaultKind kind)
{
    return kind == FaultKind::Hold || kind == FaultKind::HoldLookUp || kind == FaultKind::HoldOpen;
}

} // namespace mvx::faultfs
