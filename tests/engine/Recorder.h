// A progress sink that writes down every call the comparison makes, in order,
// and holds the check's stop request, as the Check command holds it.
#pragma once

#include "compare/Compare.h"

#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace mvx::test {

class Recorder final : public CompareProgress {
public:
    std::vector<std::string> calls;
    std::function<void()> onEvents; // runs inside the event processing of each block
    std::stop_source stop;

    // The first call of a comparison tells its length, the others how far it has come.
    void Progress(std::int64_t done, std::int64_t total) override
    {
        calls.push_back(started_ ? "at " + std::to_string(done) : "range 0.." + std::to_string(total));
        started_ = true;
    }
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

private:
    bool started_ = false;
};

} // namespace mvx::test
