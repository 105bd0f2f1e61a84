#include "RunChild.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace mvx::bench {

namespace {

// Reads both pipes to their ends; a child that fills one while the other is
// read would otherwise wait for ever.
void DrainBoth(int first, std::string &firstText, int second, std::string &secondText)
{
    pollfd fds[2] = {{first, POLLIN, 0}, {second, POLLIN, 0}};
    std::string *texts[2] = {&firstText, &secondText};
    int open = second < 0 ? 1 : 2;
    char buffer[4096];
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            throw std::runtime_error("cannot wait for a child's output");
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                fds[i].fd = -1;
                --open;
            } else {
                texts[i]->append(buffer, static_cast<std::size_t>(got));
            }
        }
    }
}

} // namespace

ChildRun RunChild(const std::vector<std::string> &argv)
{
    int out[2];
    int err[2];
    int report[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot make a pipe");
    if (::pipe2(err, O_CLOEXEC) != 0 || ::pipe2(report, 0) != 0)
        throw std::runtime_error("cannot make a pipe");

    std::vector<std::string> command = {MVX_BENCH_RUNNER, std::to_string(report[1])};
    command.insert(command.end(), argv.begin(), argv.end());
    std::vector<char *> arguments;
    arguments.reserve(command.size() + 1);
    for (const std::string &argument : command)
        arguments.push_back(const_cast<char *>(argument.c_str()));
    arguments.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("cannot start " + argv.front());
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::close(report[0]);
        ::execv(arguments.front(), arguments.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    ::close(report[1]);
    ChildRun run;
    DrainBoth(out[0], run.output, err[0], run.errors);
    std::string measured;
    std::string none;
    DrainBoth(report[0], measured, -1, none);
    ::close(out[0]);
    ::close(err[0]);
    ::close(report[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    long long nanoseconds = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(measured.c_str(), "%lld %ld %d", &nanoseconds, &run.peakKiB, &run.status) != 3)
        throw std::runtime_error("could not measure " + argv.front() + "\n" + run.errors);
    run.seconds = static_cast<double>(nanoseconds) / 1e9;
    return run;
}

} // namespace mvx::bench
