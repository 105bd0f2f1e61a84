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
    rows_.push_back({caseName, program, {}, -1, -1, -1});
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

void Results::PrintTable(std::FILE *out, const std::string &reference, const std::string &referenceLabel,
                         const std::vector<std::string> &cases) const
{
    std::fprintf(out, "%-22s %-28s %11s %9s %12s\n", "case", "program", "median", referenceLabel.c_str(),
                 "peak memory");
    std::fprintf(out, "%s\n", std::string(22 + 1 + 28 + 1 + 11 + 1 + 9 + 1 + 12, '-').c_str());
    std::string previousCase;
    for (const Row &row : rows_) {
        if (row.seconds.empty())
            continue;
        if (!cases.empty() && std::find(cases.begin(), cases.end(), row.caseName) == cases.end())
            continue;
        const double median = bench::Median(row.seconds);
        const double base = Median(row.caseName, reference);
        char ratio[16] = "-";
        if (!std::isnan(base) && base > 0)
            std::snprintf(ratio, sizeof ratio, "%.2f", median / base);
        char peak[24] = "-";
        if (row.peakKiB >= 0)
            std::snprintf(peak, sizeof peak, "%ld KiB", row.peakKiB);
        const std::string shownCase = row.caseName == previousCase ? "" : row.caseName;
        previousCase = row.caseName;
        std::fprintf(out, "%-22s %-28s %11s %9s %12s\n", shownCase.c_str(), row.program.c_str(),
                     FormatTime(median).c_str(), ratio, peak);
    }
}

} // namespace mvx::bench
