// The benchmark's results: samples per case and program, the table of
// medians and the check of the targets.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace mvx::bench {

struct Row {
    std::string caseName;
    std::string program;
    std::vector<double> seconds;
    long peakKiB = -1; // the largest over all runs; -1 when not a process of its own
    int blocks = -1;   // blocks compared, where the program can tell
    // The longest time over all runs that the user interface went without
    // its events processed; negative where the program cannot tell.
    double longestGap = -1;
};

class Results {
public:
    Row &At(const std::string &caseName, const std::string &program);
    [[nodiscard]] const Row *Find(const std::string &caseName, const std::string &program) const;
    [[nodiscard]] double Median(const std::string &caseName, const std::string &program) const;

    // Median, ratio against the same case's reference program (headed
    // referenceLabel), peak memory; only the given cases, all when empty.
    void PrintTable(std::FILE *out, const std::string &reference, const std::string &referenceLabel,
                    const std::vector<std::string> &cases = {}) const;

private:
    std::vector<Row> rows_;
};

double Median(std::vector<double> values);

// "103.2 ms", "0.041 ms".
std::string FormatTime(double seconds);

} // namespace mvx::bench
