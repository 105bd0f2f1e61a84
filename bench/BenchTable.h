// The benchmark's results: samples per case and program, the table of
// medians, and the goals they are held to.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace mvx::bench {

struct Row {
    std::string caseName;
    std::string program;
    std::vector<double> seconds;
    long peakKiB = -1; // the largest over all runs
    // The most pages of the pair that one run left in the page cache that
    // were not there before it; -1 where not looked at.
    std::int64_t newlyCached = -1;
};

class Results {
public:
    Row &At(const std::string &caseName, const std::string &program);
    [[nodiscard]] const Row *Find(const std::string &caseName, const std::string &program) const;
    [[nodiscard]] double Median(const std::string &caseName, const std::string &program) const;

    // Median, ratio against the floor that floorOf gives for the row (NaN
    // for none), peak memory and newly cached pages.
    void PrintTable(std::FILE *out, const std::function<double(const Row &)> &floorOf) const;

private:
    std::vector<Row> rows_;
};

double Median(std::vector<double> values);

// "103.2 ms", "0.041 ms".
std::string FormatTime(double seconds);

// The goals, collected while the sections run and printed together at the end.
class Goals {
public:
    // A ratio or a figure that must stay at most `limit`.
    void AtMost(const std::string &what, double value, double limit, const char *format = "%.2f");
    void Print(std::FILE *out) const;

private:
    std::vector<std::string> lines_;
};

} // namespace mvx::bench
