// mvx-bench-run REPORT_FD PROGRAM [ARGUMENTS...]: runs the program and writes
// "<nanoseconds> <peak KiB> <status>" to the descriptor REPORT_FD.
//
// The benchmark runs every program through this small one. A child's peak
// resident set counts whatever memory it shared with its parent when it was
// forked, so a child of the benchmark itself would be charged with the
// benchmark's memory; a child of this program is charged with next to nothing.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long long Now()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3)
        return 125;
    const int report = std::atoi(argv[1]);
    ::fcntl(report, F_SETFD, FD_CLOEXEC);

    const long long start = Now();
    const pid_t pid = ::fork();
    if (pid < 0)
        return 125;
    if (pid == 0) {
        ::execv(argv[2], argv + 2);
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR)
            return 125;
    }
    const long long elapsed = Now() - start;
    const int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    char line[96];
    const int length =
        std::snprintf(line, sizeof line, "%lld %ld %d\n", elapsed, usage.ru_maxrss, exitStatus);
    if (::write(report, line, static_cast<std::size_t>(length)) != length)
        return 125;
    return 0;
}
