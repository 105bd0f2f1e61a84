// How fast Morvatix compares two files, next to cmp -s and to the plainest
// loop that reads and compares in the same blocks. Makes its own files, runs every program on every
// case in turn, several rounds, and prints medians, ratios and peak memory.
// Given a slow device that bench/run.sh modelled, it does the same there,
// against the time the device needs to deliver both files.
#include "BenchFiles.h"
#include "BenchTable.h"
#include "CountingProgress.h"
#include "HeldRead.h"
#include "RunChild.h"
#include "SlowDevice.h"

#include "compare/Compare.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace mvx::bench;

const std::string kCmpProgram = "morvatix-cmp";
const std::string kWindowProgram = "window Check command";
const std::string kReference = "cmp -s";
const std::string kFloorProgram = "floor: read + memcmp";
const std::string kEngineProgram = "engine call, in process";
const std::string kDeviceProgram = "device limit: 8 MiB reads";
const std::string kFloorAheadProgram = "floor + WILLNEED windows";

const std::string kIdentical = "identical";
const std::string kLastDiffers = "last byte differs";
const std::string kFirstDiffers = "first byte differs";
const std::string kEvicted = "identical, evicted";
const std::string kSmall = "identical, 1 MiB";
const std::string kSlow = "identical, slow device";

constexpr std::int64_t kSmallSize = 1 << 20;

struct Options {
    std::int64_t size = std::int64_t{1} << 30;
    int runs = 11;
    int evictedRuns = 5;
    std::filesystem::path folder;
    bool window = true;
    bool slowOnly = false;
    SlowModel slow;
    bool held = true;
    HeldReadModel heldRead;
};

struct Case {
    std::string name;
    std::string source;
    std::string target;
    int expected = 0;
    // Run before every run of every program: takes the files out of the cache.
    std::function<void()> coldStart;
};

struct Program {
    std::string name;
    // Runs once on the case and adds the sample to its row.
    std::function<void(const Case &, Row &)> run;
};

const char *const kUsage =
    "Usage: mvx-bench [--size BYTES[K|M|G]] [--runs N] [--evicted-runs N] [--dir FOLDER] [--no-window]\n"
    "                 [--slow-device DEVICE --slow-dir MOUNT_POINT [--slow-size BYTES[K|M|G]]\n"
    "                  [--slow-rate N] [--slow-bandwidth MIB] [--slow-read-ahead KIB] [--slow-runs N]\n"
    "                  [--slow-only]]\n"
    "                 [--held-size BYTES[K|M|G]] [--held-runs N] [--no-held]\n"
    "Defaults: --size 1G --runs 11 --evicted-runs 5 --held-size 256M --held-runs 3, files in the\n"
    "temporary folder. The held read needs FUSE (/dev/fuse and fusermount3).\n"
    "The --slow options describe the device that bench/run.sh models and mounts; run that instead.\n";

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
        else if (option == "--evicted-runs")
            options.evictedRuns = std::max(0, std::stoi(value()));
        else if (option == "--dir")
            options.folder = value();
        else if (option == "--no-window")
            options.window = false;
        else if (option == "--slow-device")
            options.slow.device = value();
        else if (option == "--slow-dir")
            options.slow.mountPoint = value();
        else if (option == "--slow-size")
            options.slow.size = ParseSize(value());
        else if (option == "--slow-rate")
            options.slow.requestsPerSecond = std::stoi(value());
        else if (option == "--slow-bandwidth")
            options.slow.mibPerSecond = std::stoi(value());
        else if (option == "--slow-read-ahead")
            options.slow.readAheadKiB = std::stoi(value());
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
    if (options.slow.Given() == options.slow.mountPoint.empty())
        throw std::invalid_argument("--slow-device and --slow-dir go together");
    if (options.slowOnly && !options.slow.Given())
        throw std::invalid_argument("--slow-only needs a slow device");
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

void Expect(const Case &c, const std::string &program, int status, const std::string &errors = {})
{
    if (status != c.expected)
        throw std::runtime_error(program + " gave status " + std::to_string(status) + " on \"" + c.name +
                                 "\", expected " + std::to_string(c.expected) + "\n" + errors);
}

Program ProcessProgram(const std::string &name, const std::vector<std::string> &command)
{
    return {name, [name, command](const Case &c, Row &row) {
                std::vector<std::string> argv = command;
                argv.push_back(c.source);
                argv.push_back(c.target);
                const ChildRun run = RunChild(argv);
                Expect(c, name, run.status, run.errors);
                row.seconds.push_back(run.seconds);
                row.peakKiB = std::max(row.peakKiB, run.peakKiB);
            }};
}

// The window program reports the time of the Check command itself.
Program WindowProgram(const std::string &path)
{
    return {kWindowProgram, [path](const Case &c, Row &row) {
                const ChildRun run = RunChild({path, c.source, c.target});
                Expect(c, kWindowProgram, run.status, run.errors);
                row.seconds.push_back(std::stod(run.output) / 1e6);
                row.peakKiB = std::max(row.peakKiB, run.peakKiB);
            }};
}

Program EngineProgram()
{
    return {kEngineProgram, [](const Case &c, Row &row) {
                CountingProgress progress;
                const auto start = progress.last;
                // Opened first, as the Check command does: opening a cold file
                // reads the file system's own records of it too.
                mvx::FilePair pair;
                if (pair.Open(c.source, c.target, progress) != mvx::FilePair::Opening::Opened)
                    throw std::runtime_error("the engine could not open " + c.source + " and " + c.target);
                const bool same = pair.CompareFiles(progress);
                progress.NoteGap();
                Expect(c, kEngineProgram, same ? 0 : 1);
                row.seconds.push_back(std::chrono::duration<double>(progress.last - start).count());
                row.blocks = progress.positions;
                row.longestGap =
                    std::max(row.longestGap, std::chrono::duration<double>(progress.longestGap).count());
            }};
}

void RunRounds(const std::vector<Case> &cases, const std::vector<Program> &programs, int rounds,
               Results &results)
{
    for (int round = 0; round < rounds; ++round) {
        for (const Case &c : cases) {
            // A different program goes first each round, so none always
            // follows the same neighbour.
            for (std::size_t k = 0; k < programs.size(); ++k) {
                const Program &program = programs[(k + static_cast<std::size_t>(round)) % programs.size()];
                if (c.coldStart)
                    c.coldStart();
                program.run(c, results.At(c.name, program.name));
            }
        }
        std::fprintf(stderr, ".");
    }
}

const char *Verdict(bool met)
{
    return met ? "met" : "NOT met";
}

void PrintTargets(const Results &results, std::int64_t size)
{
    const auto median = [&](const std::string &c, const std::string &p) { return results.Median(c, p); };
    std::printf("\nTargets (%s pair):\n", size == std::int64_t{1} << 30 ? "1 GiB" : "this size");

    const double floorRatio = median(kIdentical, kCmpProgram) / median(kIdentical, kFloorProgram);
    std::printf("  cached identical: morvatix-cmp / floor        %.2f  (<= 1.10)  %s\n", floorRatio,
                Verdict(floorRatio <= 1.10));
    const double cmpRatio = median(kIdentical, kCmpProgram) / median(kIdentical, kReference);
    std::printf("  cached identical: morvatix-cmp / cmp -s       %.2f  (<= 0.40)  %s\n", cmpRatio,
                Verdict(cmpRatio <= 0.40));
    if (results.Find(kIdentical, kWindowProgram) != nullptr) {
        const double windowRatio = median(kIdentical, kWindowProgram) / median(kIdentical, kCmpProgram);
        std::printf("  cached identical: window / morvatix-cmp       %.2f  (<= 1.10)  %s\n", windowRatio,
                    Verdict(windowRatio <= 1.10));
    }
    if (const Row *evicted = results.Find(kEvicted, kCmpProgram);
        evicted != nullptr && !evicted->seconds.empty()) {
        const double evictedRatio = median(kEvicted, kCmpProgram) / median(kEvicted, kReference);
        std::printf("  evicted identical: morvatix-cmp / cmp -s      %.2f  (<= 1.05)  %s\n", evictedRatio,
                    Verdict(evictedRatio <= 1.05));
    }
    const Row *first = results.Find(kFirstDiffers, kEngineProgram);
    const double firstTime = median(kFirstDiffers, kEngineProgram);
    std::printf("  first byte differs: %d block(s), %s of comparison  (1 block, < 1 ms)  %s\n", first->blocks,
                FormatTime(firstTime).c_str(), Verdict(first->blocks == 1 && firstTime < 0.001));
    for (const std::string &program : {kCmpProgram, kWindowProgram}) {
        const Row *big = results.Find(kIdentical, program);
        const Row *small = results.Find(kSmall, program);
        if (big == nullptr || small == nullptr)
            continue;
        const long growth = big->peakKiB - small->peakKiB;
        std::printf("  peak memory, %s: %+ld KiB against the 1 MiB pair  (<= +1024)  %s\n", program.c_str(),
                    growth, Verdict(growth <= 1024));
    }
}

std::vector<Program> FrontEndsAndReference(const Options &options)
{
    std::vector<Program> programs = {ProcessProgram(kCmpProgram, {MVX_BENCH_CMP})};
    const std::string windowPath = MVX_BENCH_WINDOW;
    if (options.window && !windowPath.empty())
        programs.push_back(WindowProgram(windowPath));
    programs.push_back(ProcessProgram(kReference, {FindInPath("cmp"), "-s"}));
    return programs;
}

void RunOnDisk(const Options &options)
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

    std::vector<Program> programs = FrontEndsAndReference(options);
    programs.push_back(ProcessProgram(kFloorProgram, {MVX_BENCH_FLOOR}));
    programs.push_back(EngineProgram());

    const std::vector<Case> cached = {{kIdentical, files.source, files.same, 0, {}},
                                      {kLastDiffers, files.source, files.lastDiffers, 1, {}},
                                      {kFirstDiffers, files.source, files.firstDiffers, 1, {}},
                                      {kSmall, files.smallSource, files.smallSame, 0, {}}};
    const std::vector<Case> evicted = {{kEvicted, files.source, files.same, 0, [&files] {
                                            Evict(files.source);
                                            Evict(files.same);
                                        }}};

    Results results;
    for (const std::vector<Case> *group : {&cached, &evicted})
        for (const Case &c : *group)
            for (const Program &program : programs)
                results.At(c.name, program.name);

    std::fprintf(stderr, "Warming up ");
    Results warmUp;
    RunRounds(cached, programs, 1, warmUp);
    std::fprintf(stderr, "\nCached files, %d rounds ", options.runs);
    RunRounds(cached, programs, options.runs, results);
    if (options.evictedRuns > 0) {
        Evict(files.source);
        Evict(files.same);
        const double left = std::max(ResidentShare(files.source), ResidentShare(files.same));
        std::fprintf(stderr, "\nEvicted files (%.1f %% still cached after eviction), warming up ",
                     left * 100);
        // The first reads from the disk after the files were written are
        // slower than all later ones (a virtual machine's host is still
        // settling them); one untimed round keeps that out of the medians.
        RunRounds(evicted, programs, 1, warmUp);
        std::fprintf(stderr, "\n%d rounds ", options.evictedRuns);
        RunRounds(evicted, programs, options.evictedRuns, results);
    }
    std::fprintf(stderr, "\n\n");

    std::printf(
        "Pairs of %lld bytes; medians of %d runs (%d evicted); peak memory is the largest resident set.\n"
        "Evicted: both files dropped from the page cache before every run; on a virtual machine\n"
        "the host may still hold them in its own cache.\n\n",
        static_cast<long long>(options.size), options.runs, options.evictedRuns);
    results.PrintTable(stdout, kReference, "/ " + kReference);
    PrintTargets(results, options.size);
}

void PrintSlowTargets(const Results &results, const SlowModel &model)
{
    const auto median = [&](const std::string &program) { return results.Median(kSlow, program); };
    std::printf("\nTargets (slow device, %s):\n", model.IsDefault() ? "the default model" : "this model");
    const double deviceLimit = model.IsDefault() ? 1.25 : 1.35;
    const double deviceRatio = median(kCmpProgram) / median(kDeviceProgram);
    std::printf("  slow device: morvatix-cmp / device limit      %.2f  (<= %.2f)  %s\n", deviceRatio,
                deviceLimit, Verdict(deviceRatio <= deviceLimit));
    if (results.Find(kSlow, kWindowProgram) != nullptr) {
        const double windowRatio = median(kWindowProgram) / median(kCmpProgram);
        std::printf("  slow device: window / morvatix-cmp            %.2f  (<= 1.05)  %s\n", windowRatio,
                    Verdict(windowRatio <= 1.05));
    }
    const double gap = results.Find(kSlow, kEngineProgram)->longestGap;
    std::printf("  slow device: longest time without event processing  %.0f ms  (< 200 ms)  %s\n", gap * 1000,
                Verdict(gap < 0.2));
}

void RunOnSlowDevice(const Options &options)
{
    const SlowModel &model = options.slow;
    std::fprintf(stderr, "Writing 2 files of %lld bytes on %s ...\n", static_cast<long long>(model.size),
                 model.device.c_str());
    const SlowPair pair(model);

    std::vector<Program> programs = {ProcessProgram(kDeviceProgram, {MVX_BENCH_STREAM})};
    for (Program &program : FrontEndsAndReference(options))
        programs.push_back(std::move(program));
    programs.push_back(ProcessProgram(kFloorAheadProgram, {MVX_BENCH_FLOOR, "--read-ahead"}));
    programs.push_back(EngineProgram());
    const std::vector<Case> slow = {{kSlow, pair.source, pair.same, 0, [&pair] { pair.Remount(); }}};

    Results results;
    for (const Program &program : programs)
        results.At(kSlow, program.name);
    std::fprintf(stderr, "Slow device, %d rounds ", model.runs);
    RunRounds(slow, programs, model.runs, results);
    std::fprintf(stderr, "\n\n");

    std::printf("Slow device: %s.\n"
                "A pair of %lld bytes, unmounted and mounted again before every run; medians of %d runs.\n"
                "Device limit: one file after the other in reads of 8 MiB.\n\n",
                model.Describe().c_str(), static_cast<long long>(model.size), model.runs);
    results.PrintTable(stdout, kDeviceProgram, "/ device");
    PrintSlowTargets(results, model);
}

void RunHeld(const Options &options)
{
    HeldReadModel model = options.heldRead;
    model.folder = options.folder.empty() ? std::filesystem::temp_directory_path() : options.folder;
    if (options.window)
        model.windowProgram = MVX_BENCH_WINDOW;
    RunHeldRead(model);
}

int Run(const Options &options)
{
    if (!options.slowOnly)
        RunOnDisk(options);
    if (!options.slowOnly && options.held) {
        std::printf("\n");
        RunHeld(options);
    }
    if (options.slow.Given()) {
        if (!options.slowOnly)
            std::printf("\n");
        RunOnSlowDevice(options);
    }
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
