// How fast Morvatix compares two files, next to what the devices give: reads
// past the page cache against dd's direct reads of a cached pair on the disk
// and against the limit of throttled slow devices, morvatix-cmp --cached
// against the plainest loop that reads and compares, and the window against
// morvatix-cmp. Runs every program on every case in turn, several rounds, and
// prints medians, ratios, peak memory, the pages that a run left in the page
// cache, and the goals.
#include "BenchFiles.h"
#include "BenchTable.h"
#include "HeldRead.h"
#include "RunChild.h"
#include "SlowDevice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace mvx::bench;

const std::string kCmp = "morvatix-cmp";
const std::string kWindow = "window Check command";
const std::string kCmpCached = "morvatix-cmp --cached";
const std::string kReadFloor = "floor: read + memcmp";
const std::string kDdAtOnce = "dd iflag=direct bs=8M, at once";
const std::string kDdInTurn = "dd iflag=direct bs=8M, in turn";
const std::string kLimitAtOnce = "huge-page 10 MiB reads, at once";
const std::string kLimitInTurn = "huge-page 10 MiB reads, in turn";

const std::string kCachedPair = "identical, cached";
const std::string kHalfCached = "identical, half cached";
const std::string kSmall = "identical, 1 MiB";
const std::string kTwoDevices = "two slow devices";
const std::string kOneDevice = "one slow device";

constexpr std::int64_t kSmallSize = 1 << 20;
// The memory that the engine's requests may take in all.
constexpr double kMemoryBoundKiB = 32 * 1024;

struct Options {
    std::int64_t size = std::int64_t{1} << 30;
    int runs = 11;
    std::filesystem::path folder;
    bool window = true;
    bool slowOnly = false;
    SlowModel slow;
    bool held = true;
    HeldReadModel heldRead;
};

struct Case;

struct Program {
    std::string name;
    // Morvatix itself, whose runs are held to leave the page cache as they
    // found it.
    bool ours = false;
    // Runs once on the case and adds the sample to its row.
    std::function<void(const Case &, Row &)> run;
};

struct Case {
    std::string name;
    std::string source;
    std::string target;
    std::vector<Program> programs;
    // The programs whose fastest median is the floor of those that read past
    // the cache; those that read through it have kReadFloor.
    std::vector<std::string> floors;
    // Run before every run of every program.
    std::function<void()> prepare;
    // Whether the pages of the pair that a run of Morvatix leaves cached are
    // counted.
    bool countCached = false;
};

const char *const kUsage =
    "Usage: mvx-bench [--size BYTES[K|M|G]] [--runs N] [--dir FOLDER] [--no-window]\n"
    "                 [--slow-device DEVICE --slow-dir MOUNT_POINT (twice) [--slow-size BYTES[K|M|G]]\n"
    "                  [--slow-rate N] [--slow-bandwidth MIB] [--slow-runs N] [--slow-only]]\n"
    "                 [--held-size BYTES[K|M|G]] [--held-runs N] [--no-held]\n"
    "Defaults: --size 1G --runs 11 --slow-runs 5 --held-size 256M --held-runs 3, files in the\n"
    "temporary folder. The held read needs FUSE (/dev/fuse and fusermount3).\n"
    "The --slow options describe the devices that bench/run.sh models and mounts; run that instead.\n";

std::int64_t ParseSize(const std::string &text)
{
    std::size_t used = 0;
    const long long number = std::stoll(text, &used);
    std::int64_t factor = 1;
    const std::string unit = text.substr(used);
    if (unit == "K" || unit == "k")
        factor = 1 << 10;
    else if (unit == "M" || unit == "m")
        factor = 1 << 20;
    else if (unit == "G" || unit == "g")
        factor = 1 << 30;
    else if (!unit.empty())
        throw std::invalid_argument("unknown size unit in " + text);
    if (number <= 0)
        throw std::invalid_argument("the size must be positive");
    return number * factor;
}

Options ParseOptions(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw std::invalid_argument(option + " needs a value");
            return argv[++i];
        };
        if (option == "--size")
            options.size = ParseSize(value());
        else if (option == "--runs")
            options.runs = std::max(1, std::stoi(value()));
        else if (option == "--dir")
            options.folder = value();
        else if (option == "--no-window")
            options.window = false;
        else if (option == "--slow-device")
            options.slow.devices.push_back(value());
        else if (option == "--slow-dir")
            options.slow.mountPoints.push_back(value());
        else if (option == "--slow-size")
            options.slow.size = ParseSize(value());
        else if (option == "--slow-rate")
            options.slow.requestsPerSecond = std::stoi(value());
        else if (option == "--slow-bandwidth")
            options.slow.mibPerSecond = std::stoi(value());
        else if (option == "--slow-runs")
            options.slow.runs = std::max(1, std::stoi(value()));
        else if (option == "--slow-only")
            options.slowOnly = true;
        else if (option == "--held-size")
            options.heldRead.size = ParseSize(value());
        else if (option == "--held-runs")
            options.heldRead.runs = std::max(1, std::stoi(value()));
        else if (option == "--no-held")
            options.held = false;
        else
            throw std::invalid_argument("unknown option " + option);
    }
    if (options.slow.Given() && (options.slow.devices.size() != 2 || options.slow.mountPoints.size() != 2))
        throw std::invalid_argument("the slow devices are two, each with --slow-device and --slow-dir");
    if (options.slowOnly && !options.slow.Given())
        throw std::invalid_argument("--slow-only needs the slow devices");
    return options;
}

std::string FindInPath(const std::string &name)
{
    const char *path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    throw std::runtime_error(name + " not found on PATH");
}

// Every pair is identical: each program must say so, or have read both.
void Expect(const Case &c, const std::string &program, const ChildRun &run)
{
    if (run.status != 0)
        throw std::runtime_error(program + " gave status " + std::to_string(run.status) + " on \"" + c.name +
                                 "\"\n" + run.errors);
}

// A program run with the pair's paths after the command; its time is the
// whole process's.
Program ProcessProgram(const std::string &name, const std::vector<std::string> &command, bool ours = false)
{
    return {name, ours, [name, command](const Case &c, Row &row) {
                std::vector<std::string> argv = command;
                argv.push_back(c.source);
                argv.push_back(c.target);
                const ChildRun run = RunChild(argv);
                Expect(c, name, run);
                row.seconds.push_back(run.seconds);
                row.peakKiB = std::max(row.peakKiB, run.peakKiB);
            }};
}

// The window program reports the time of the Check command itself, from the
// click until the verdict shows.
Program WindowProgram()
{
    return {kWindow, true, [](const Case &c, Row &row) {
                const ChildRun run = RunChild({MVX_BENCH_WINDOW, c.source, c.target});
                Expect(c, kWindow, run);
                row.seconds.push_back(std::stod(run.output) / 1e6);
                row.peakKiB = std::max(row.peakKiB, run.peakKiB);
            }};
}

// dd reading both files past the cache, both at once or one after the other.
Program DdProgram(bool atOnce)
{
    const std::string read = "dd of=/dev/null iflag=direct bs=8M status=none";
    const std::string script =
        atOnce ? read + " if=\"$1\" & first=$!; " + read + " if=\"$2\" || exit 2; wait $first"
               : read + " if=\"$1\" && " + read + " if=\"$2\"";
    return ProcessProgram(atOnce ? kDdAtOnce : kDdInTurn, {FindInPath("sh"), "-c", script, "dd-floor"});
}

Program LimitProgram(bool atOnce)
{
    if (atOnce)
        return ProcessProgram(kLimitAtOnce, {MVX_BENCH_LIMIT, "--at-once"});
    return ProcessProgram(kLimitInTurn, {MVX_BENCH_LIMIT});
}

void RunRounds(const std::vector<Case> &cases, int rounds, Results *results)
{
    for (int round = 0; round < rounds; ++round) {
        for (const Case &c : cases) {
            // A different program goes first each round, so none always
            // follows the same neighbour.
            for (std::size_t k = 0; k < c.programs.size(); ++k) {
                const Program &program =
                    c.programs[(k + static_cast<std::size_t>(round)) % c.programs.size()];
                if (c.prepare)
                    c.prepare();
                Row scratch;
                Row &row = results != nullptr ? results->At(c.name, program.name) : scratch;
                if (!c.countCached || !program.ours) {
                    program.run(c, row);
                    continue;
                }
                const std::vector<bool> source = CachedPages(c.source);
                const std::vector<bool> target = CachedPages(c.target);
                program.run(c, row);
                row.newlyCached = std::max(row.newlyCached, NewlyCached(source, CachedPages(c.source)) +
                                                                NewlyCached(target, CachedPages(c.target)));
            }
        }
        std::fprintf(stderr, ".");
    }
}

// The fastest of the case's floors: the floor of reads past the cache.
double Floor(const Results &results, const Case &c)
{
    double floor = NAN;
    for (const std::string &program : c.floors)
        floor = std::fmin(floor, results.Median(c.name, program));
    return floor;
}

// Each row against its floor: the read + memcmp loop for reads through the
// cache, the case's floor for reads past it.
std::function<double(const Row &)> FloorOf(const Results &results, const std::vector<Case> &cases)
{
    return [&results, &cases](const Row &row) {
        if (row.program == kCmpCached || row.program == kReadFloor)
            return results.Median(row.caseName, kReadFloor);
        const auto c =
            std::find_if(cases.begin(), cases.end(), [&](const Case &x) { return x.name == row.caseName; });
        return c == cases.end() ? NAN : Floor(results, *c);
    };
}

void RunOnDisk(const Options &options, Goals &goals)
{
    namespace fs = std::filesystem;
    fs::path folder = options.folder;
    bool ownFolder = false;
    if (folder.empty()) {
        std::string pattern = (fs::temp_directory_path() / "mvx-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a temporary folder");
        folder = pattern;
        ownFolder = true;
    }
    struct FolderGuard {
        fs::path path;
        bool remove;
        ~FolderGuard()
        {
            std::error_code ignored;
            if (remove)
                fs::remove_all(path, ignored);
        }
    } guard{folder, ownFolder};

    const std::int64_t needed = 4 * options.size + 2 * kSmallSize + (64 << 20);
    if (FreeSpace(folder) < needed)
        throw std::runtime_error("not enough free space in " + folder.string() + ": " +
                                 std::to_string(needed >> 20) + " MiB needed");
    std::fprintf(stderr, "Writing 4 files of %lld bytes in %s ...\n", static_cast<long long>(options.size),
                 folder.c_str());
    const BenchFiles files(folder, options.size, kSmallSize);

    const bool window = options.window && !std::string(MVX_BENCH_WINDOW).empty();
    std::vector<Program> ours = {ProcessProgram(kCmp, {MVX_BENCH_CMP}, true)};
    if (window)
        ours.push_back(WindowProgram());
    const Program cached = ProcessProgram(kCmpCached, {MVX_BENCH_CMP, "--cached"});

    std::vector<Program> all = {DdProgram(true), DdProgram(false), LimitProgram(true), LimitProgram(false)};
    all.insert(all.end(), ours.begin(), ours.end());
    all.push_back(cached);
    all.push_back(ProcessProgram(kReadFloor, {MVX_BENCH_FLOOR}));
    std::vector<Program> small = ours;
    small.push_back(cached);
    const auto halfCached = [&files, half = options.size / 2] {
        LeaveCached(files.halfSource, half);
        LeaveCached(files.halfSame, half);
    };
    const std::vector<Case> cases = {
        {.name = kCachedPair,
         .source = files.source,
         .target = files.same,
         .programs = all,
         .floors = {kDdAtOnce, kDdInTurn}},
        {.name = kHalfCached,
         .source = files.halfSource,
         .target = files.halfSame,
         .programs = ours,
         .prepare = halfCached,
         .countCached = true},
        {.name = kSmall, .source = files.smallSource, .target = files.smallSame, .programs = small}};

    Results results;
    // The first reads from the disk after the files were written are slower
    // than all later ones (a virtual machine's host is still settling them);
    // one untimed round keeps that out of the medians.
    std::fprintf(stderr, "Warming up ");
    RunRounds(cases, 1, nullptr);
    std::fprintf(stderr, "\nOn the disk, %d rounds ", options.runs);
    RunRounds(cases, options.runs, &results);
    std::fprintf(stderr, "\n\n");

    std::printf(
        "On the disk of %s: pairs of %lld bytes; medians of %d runs.\n"
        "Cached: both files in the page cache. Half cached: the second half of each dropped from it\n"
        "before every run. Floor: the faster dd for reads past the cache, read + memcmp for reads\n"
        "through it. Peak memory: the largest resident set. Newly cached: the most pages of the pair\n"
        "that one run left in the page cache that were not there before it.\n\n",
        folder.c_str(), static_cast<long long>(options.size), options.runs);
    results.PrintTable(stdout, FloorOf(results, cases));
    std::printf("\n");

    const double cmp = results.Median(kCachedPair, kCmp);
    goals.AtMost("cached pair: morvatix-cmp / dd floor", cmp / Floor(results, cases[0]), 1.20);
    goals.AtMost("cached pair: --cached / read + memcmp",
                 results.Median(kCachedPair, kCmpCached) / results.Median(kCachedPair, kReadFloor), 1.10);
    if (window)
        goals.AtMost("cached pair: window / morvatix-cmp", results.Median(kCachedPair, kWindow) / cmp, 1.10);
    for (const Program &program : small) {
        const long growth =
            results.Find(kCachedPair, program.name)->peakKiB - results.Find(kSmall, program.name)->peakKiB;
        goals.AtMost("peak memory over a 1 MiB pair's: " + program.name, static_cast<double>(growth),
                     kMemoryBoundKiB, "%.0f KiB");
    }
    for (const Program &program : ours)
        goals.AtMost("half cached: pages newly cached, " + program.name,
                     static_cast<double>(results.Find(kHalfCached, program.name)->newlyCached), 0, "%.0f");
}

void RunOnSlowDevices(const Options &options, Goals &goals)
{
    const SlowModel &model = options.slow;
    std::fprintf(stderr, "Writing 3 files of %lld bytes on %s and %s ...\n",
                 static_cast<long long>(model.size), model.devices.at(0).c_str(),
                 model.devices.at(1).c_str());
    const SlowFiles files(model);
    const Program cmp = ProcessProgram(kCmp, {MVX_BENCH_CMP}, true);
    const auto remount = [&files] { files.Remount(); };
    const std::vector<Case> cases = {{.name = kTwoDevices,
                                      .source = files.source,
                                      .target = files.otherDevice,
                                      .programs = {LimitProgram(true), cmp},
                                      .floors = {kLimitAtOnce},
                                      .prepare = remount,
                                      .countCached = true},
                                     {.name = kOneDevice,
                                      .source = files.source,
                                      .target = files.sameDevice,
                                      .programs = {LimitProgram(true), LimitProgram(false), cmp},
                                      .floors = {kLimitAtOnce, kLimitInTurn},
                                      .prepare = remount,
                                      .countCached = true}};

    Results results;
    std::fprintf(stderr, "Slow devices, %d rounds ", model.runs);
    RunRounds(cases, model.runs, &results);
    std::fprintf(stderr, "\n\n");

    std::printf(
        "Slow devices: %s.\n"
        "Pairs of %lld bytes: the source on the first device, the target on the second or beside the\n"
        "source; both file systems mounted afresh before every run; medians of %d runs. Floor: the\n"
        "faster of the huge-page reads, the devices' limit.\n\n",
        model.Describe().c_str(), static_cast<long long>(model.size), model.runs);
    results.PrintTable(stdout, FloorOf(results, cases));
    std::printf("\n");

    goals.AtMost("two slow devices: morvatix-cmp / both read at once",
                 results.Median(kTwoDevices, kCmp) / Floor(results, cases[0]), 1.15);
    goals.AtMost("one slow device: morvatix-cmp / device limit",
                 results.Median(kOneDevice, kCmp) / Floor(results, cases[1]), 1.25);
    for (const Case &c : cases)
        goals.AtMost(c.name + ": pages newly cached, " + kCmp,
                     static_cast<double>(results.Find(c.name, kCmp)->newlyCached), 0, "%.0f");
}

int Run(const Options &options)
{
    Goals goals;
    if (!options.slowOnly)
        RunOnDisk(options, goals);
    if (options.slow.Given())
        RunOnSlowDevices(options, goals);
    if (!options.slowOnly && options.held) {
        HeldReadModel model = options.heldRead;
        model.folder = options.folder.empty() ? std::filesystem::temp_directory_path() : options.folder;
        if (options.window)
            model.windowProgram = MVX_BENCH_WINDOW;
        RunHeldRead(model, goals);
    }
    goals.Print(stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    try {
        for (int i = 1; i < argc; ++i) {
            if (std::string(argv[i]) == "--help") {
                std::fputs(kUsage, stdout);
                return 0;
            }
        }
        return Run(ParseOptions(argc, argv));
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "mvx-bench: %s\n%s", failure.what(), kUsage);
        return 2;
    }
}
