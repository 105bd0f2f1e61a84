#include "base/CommandLine.h"

namespace mvx {

std::vector<std::string> ProgramParameters(int argc, char **argv)
{
    std::vector<std::string> parameters;
    for (int i = 1; i < argc && argv[i][0] != '\0'; ++i)
        parameters.emplace_back(argv[i]);
    return parameters;
}

} // namespace mvx
