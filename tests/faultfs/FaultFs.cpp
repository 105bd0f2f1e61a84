// mvx-faultfs: a read-only file system that serves the files of a folder as
// they are, except where it is told to misbehave. The tests mount it as the
// model of a device that fails, ends early, or stops answering.
//
//   mvx-faultfs [--status=FILE] [--fault=FAULT]... FOLDER MOUNTPOINT [FUSE options]
//
// FAULT is KIND:OFFSET:NAME (see faultfs/Fault.h), NAME a file's path inside
// FOLDER. Reports of held reads, look-ups and opens go to FILE, a line each.
// SIGUSR2 lets everything held go. The FUSE options include -f (stay in the foreground) and
// -o attr_timeout=N, kernel_cache; -o direct_io, our own, sends every read to
// the file system as it is made, bypassing the system's cache. The mount is
// always read-only.
#include "faultfs/Holds.h"
#include "faultfs/Operations.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fuse_opt.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace mvx::faultfs;

struct Options {
    std::vector<Fault> faults;
    std::string status;
    std::string folder;
    bool directReads = false;
    bool failed = false;
};

enum Key { kFault, kStatus, kDirectReads };

constexpr std::string_view kFaultOption = "--fault=";
constexpr std::string_view kStatusOption = "--status=";

int Take(void *data, const char *argument, int key, fuse_args *)
{
    Options &options = *static_cast<Options *>(data);
    if (key == kFault) {
        const std::optional<Fault> fault = ParseFault(std::string_view(argument).substr(kFaultOption.size()));
        if (!fault) {
            std::fprintf(stderr, "mvx-faultfs: not a fault: %s\n", argument);
            options.failed = true;
            return -1;
        }
        options.faults.push_back(*fault);
        return 0;
    }
    if (key == kStatus) {
        options.status = std::string_view(argument).substr(kStatusOption.size());
        return 0;
    }
    if (key == kDirectReads) {
        options.directReads = true;
        return 0;
    }
    if (key == FUSE_OPT_KEY_NONOPT && options.folder.empty()) {
        options.folder = argument;
        return 0;
    }
    return 1; // fuse_main's to take
}

} // namespace

int main(int argc, char *argv[])
{
    static const fuse_opt kTemplates[] = {FUSE_OPT_KEY("--fault=", kFault),
                                          FUSE_OPT_KEY("--status=", kStatus),
                                          FUSE_OPT_KEY("direct_io", kDirectReads), FUSE_OPT_END};
    fuse_args args = FUSE_ARGS_INIT(argc, argv);
    Options options;
    if (fuse_opt_parse(&args, &options, kTemplates, Take) != 0 || options.failed)
        return 2;
    if (options.folder.empty()) {
        std::fprintf(stderr, "usage: mvx-faultfs [--status=FILE] [--fault=KIND:OFFSET:NAME]... FOLDER "
                             "MOUNTPOINT [FUSE options]\n");
        return 2;
    }
    // Absolute: without -f the file system goes on in the background, from /.
    char folder[PATH_MAX];
    if (::realpath(options.folder.c_str(), folder) == nullptr) {
        std::fprintf(stderr, "mvx-faultfs: cannot serve %s: %s\n", options.folder.c_str(),
                     std::strerror(errno));
        return 2;
    }
    if (!options.status.empty() && !OpenReports(options.status.c_str())) {
        std::fprintf(stderr, "mvx-faultfs: cannot report to %s: %s\n", options.status.c_str(),
                     std::strerror(errno));
        return 2;
    }
    fuse_opt_add_arg(&args, "-oro");
    // libfuse 3.14 complains at every start about a limit that nobody set;
    // given its usual value, before any of the caller's, it is quiet.
    fuse_opt_insert_arg(&args, 1, "-omax_idle_threads=10");
    InstallRelease();

    Served served{std::string(folder) == "/" ? std::string() : std::string(folder), FaultPlan(options.faults),
                  options.directReads};
    const int status = fuse_main(args.argc, args.argv, &Operations(), &served);
    fuse_opt_free_args(&args);
    return status;
}
