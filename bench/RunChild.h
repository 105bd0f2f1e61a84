// One run of a program as a process of its own, timed from start to reaping
// by a small runner that also takes its peak memory.
#pragma once

#include <string>
#include <vector>

namespace mvx::bench {

struct ChildRun {
    double seconds = 0; // wall time, fork to reaping
    long peakKiB = 0;   // the child's largest resident set
    int status = -1;    // exit status, or -1 when killed by a signal
    std::string output; // its standard output
    std::string errors; // its standard error
};

// argv[0] is the program's path.
ChildRun RunChild(const std::vector<std::string> &argv);

} // namespace mvx::bench
