#include "BenchTable.h"

#include <algorithm>
#include <cmath>

namespace mvx::bench {

double Median(std::vector<double> values)
{
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string FormatTime(double seconds)
{
    if (std::isnan(seconds))
        return "-";
    const double ms = seconds * 1000;
    char text[32];
    std::snprintf(text, sizeof text, ms < 10 ? "%.3f ms" : "%.1f ms", ms);
    return text;
}

Row &Results::At(const std::string &caseName, const std::string &program)
{
    for (Row &row : rows_)
        if (row.caseName == caseName && row.program == program)
            return row;
    rows_.push_back({caseName, program, {}, -1, -1});
    return rows_.back();
}

const Row *Results::Find(const std::string &caseName, const std::string &program) const
{
    for (const Row &row : rows_)
        if (row.caseName == caseName && row.program == program)
            return &row;
    return nullptr;
}

double Results::Median(const std::string &caseName, const std::string &program) const
{
    const Row *row = Find(caseName, program);
    return row == nullptr ? NAN : bench::Median(row->seconds);
}

void Results::PrintTable(std::FILE *out, const std::function<double(const Row &)> &floorOf) const
{
    const char *const format = "%-24s %-32s %11s %7s %12s %13s\n";
    std::fprintf(out, format, "case", "program", "median", "/ floor", "peak memory", "newly cached");
    std::fprintf(out, "%s\n", std::string(24 + 1 + 32 + 1 + 11 + 1 + 7 + 1 + 12 + 1 + 13, '-').c_str());
    std::string previousCase;
    for (const Row &row : rows_) {
        if (row.seconds.empty())
            continue;
        const double median = bench::Median(row.seconds);
        const double floor = floorOf(row);
        char ratio[16] = "-";
        if (!std::isnan(floor) && floor > 0)
            std::snprintf(ratio, sizeof ratio, "%.2f", median / floor);
        char peak[24] = "-";
        if (row.peakKiB >= 0)
            std::snprintf(peak, sizeof peak, "%ld KiB", row.peakKiB);
        char cached[24] = "-";
        if (row.newlyCached >= 0)
            std::snprintf(cached, sizeof cached, "%lld pages", static_cast<long long>(row.newlyCached));
        const std::string shownCase = row.caseName == previousCase ? "" : row.caseName;
        previousCase = row.caseName;
        std::fprintf(out, format, shownCase.c_str(), row.program.c_str(), FormatTime(median).c_str(), ratio,
                     peak, cached);
    }
}

void Goals::AtMost(const std::string &what, double value, double limit, const char *format)
{
    char shown[64];
    char bound[64];
    std::snprintf(shown, sizeof shown, format, value);
    std::snprintf(bound, sizeof bound, format, limit);
    const bool met = !std::isnan(value) && value <= limit;
    char line[256];
    std::snprintf(line, sizeof line, "  %-56s %10s  (<= %s)  %s", what.c_str(), shown, bound,
                  met ? "met" : "NOT met");
    lines_.emplace_back(line);
}

void Goals::Print(std::FILE *out) const
{
    std::fprintf(out, "Goals:\n");
    for (const std::string &line : lines_)
        std::fprintf(out, "%s\n", line.c_str());
}

} // namespace mvx::bench
