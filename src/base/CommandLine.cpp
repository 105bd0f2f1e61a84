#include "base/CommandLine.h"

namespace mvx {

namespace {

bool IsSeparator(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

// Takes the parameter that starts at or after pos and moves pos past it.
std::string NextParameter(std::string_view line, std::size_t &pos)
{
    for (;;) {
        while (pos < line.size() && IsSeparator(line[pos]))
            ++pos;
        if (pos + 1 < line.size() && line[pos] == '"' && line[pos + 1] == '"')
            pos += 2;
        else
            break;
    }
    std::string parameter;
    bool quoted = false;
    while (pos < line.size() && (quoted || !IsSeparator(line[pos]))) {
        if (line[pos] == '"')
            quoted = !quoted;
        else
            parameter += line[pos];
        ++pos;
    }
    return parameter;
}

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view line)
{
    std::vector<std::string> parameters;
    std::size_t pos = 0;
    for (std::string p = NextParameter(line, pos); !p.empty(); p = NextParameter(line, pos))
        parameters.push_back(std::move(p));
    return parameters;
}

} // namespace mvx
