// The program's parameters, and the splitting of a raw command line into
// them for platforms whose shell hands the program one line instead of an
// argument vector.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mvx {

// Runs of characters with codes up to 32 separate parameters; a double quote
// opens a stretch, closed by the next one or the end of the line, in which
// such characters belong to the parameter; quotes are dropped wherever they
// stand; no escape character; an empty pair of quotes at the start of a
// parameter is skipped. The result includes the program's own name and ends
// before the first parameter that comes out empty.
std::vector<std::string> SplitCommandLine(std::string_view line);

// The program's parameters after its own name, counted up to the first empty
// one. argv is what the application object left after taking its own options;
// Windows ignores it and splits the process's own command line.
std::vector<std::string> ProgramParameters(int argc, char **argv);

} // namespace mvx
