// A progress sink that writes down every call the comparison makes, in order.
#pragma once

#include "compare/Compare.h"

#include <functional>
#include <string>
#include <vector>

namespace mvx::test {

class Recorder final : public CompareProgress {
public:
    std::vector<std::string> calls;
    std::function<void()> onEvents; // runs inside the event processing of each block

    void SetRange(int minimum, int maximum) override
    {
        calls.push_back("range " + std::to_string(minimum) + ".." + std::to_string(maximum));
    }
    void SetPosition(int position) override { calls.push_back("at " + std::to_string(position)); }
    void ProcessEvents() override
    {
        calls.emplace_back("events");
        if (onEvents)
            onEvents();
    }
    // A wait for the device in between is written down apart: how long a
    // read takes is the machine's affair.
    void ProcessEventsWhileWaiting() override
    {
        calls.emplace_back("wait");
        if (onEvents)
            onEvents();
    }
    void WaitingForDevice(bool waiting) override { calls.emplace_back(waiting ? "waiting" : "answered"); }
    // The calls without the waits.
    [[nodiscard]] std::vector<std::string> Steps() const
    {
        std::vector<std::string> steps;
        for (const auto &c : calls)
            if (c != "wait" && c != "waiting" && c != "answered")
                steps.push_back(c);
        return steps;
    }
    [[nodiscard]] int EventCount() const
    {
        int n = 0;
        for (const auto &c : calls)
            n += c == "events" ? 1 : 0;
        return n;
    }
};

} // namespace mvx::test
