// mvx-bench-trees: what the benchmark of folder trees needs besides the
// programs it measures.
//   make DIR FILES BYTES SEED  a tree of that many files, sizes spread as a
//                              photo library's or a project's are (most small,
//                              a few large), that many bytes in all
//   large DIR FILES BYTES SEED the same with files of one size
//   floor THREADS SOURCE TARGET both trees walked and every file read whole
//                              past the cache by that many threads, nothing
//                              compared: what the device gives at best
//   pairs SOURCE TARGET        each pair of files read at once past the
//                              cache, one pair after another: the pair's floor
//   pages DIR...               the pages of the trees' files in the cache
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunk = std::size_t{8} << 20;

[[noreturn]] void Die(const std::string &what)
{
    std::fprintf(stderr, "mvx-bench-trees: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

void WriteFile(const fs::path &path, std::uint64_t bytes, std::mt19937_64 &random)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        Die(path);
    std::vector<std::uint64_t> block(64 * 1024 / 8);
    while (bytes > 0) {
        for (std::uint64_t &word : block)
            word = random();
        const std::size_t length = std::min<std::uint64_t>(bytes, block.size() * 8);
        if (::write(fd, block.data(), length) != static_cast<ssize_t>(length))
            Die(path);
        bytes -= length;
    }
    ::close(fd);
}

// Files in folders of 20, folders in folders of 20: a few levels deep.
fs::path PlaceOf(const fs::path &root, int index)
{
    return root / ("d" + std::to_string(index / 400)) / ("e" + std::to_string(index / 20 % 20)) /
           ("f" + std::to_string(index) + ".bin");
}

void Make(const fs::path &root, int files, std::uint64_t total, unsigned seed, bool large)
{
    std::mt19937_64 random(seed);
    // Log-normal sizes: a median of 13 KiB and a long tail, scaled to the total.
    std::lognormal_distribution<double> spread(std::log(13.0 * 1024), 1.75);
    std::vector<double> sizes(static_cast<std::size_t>(files));
    for (double &size : sizes)
        size = large ? 1.0 : spread(random);
    double sum = 0;
    for (double size : sizes)
        sum += size;
    for (int i = 0; i < files; ++i) {
        const fs::path path = PlaceOf(root, i);
        fs::create_directories(path.parent_path());
        const auto bytes = static_cast<std::uint64_t>(sizes[static_cast<std::size_t>(i)] / sum * total);
        WriteFile(path, large ? total / static_cast<std::uint64_t>(files) : bytes, random);
    }
}

std::vector<fs::path> FilesOf(const fs::path &root)
{
    std::vector<fs::path> files;
    for (const auto &entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files.push_back(fs::relative(entry.path(), root));
    std::sort(files.begin(), files.end());
    return files;
}

void ReadWhole(const fs::path &path, char *memory)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC);
    if (fd < 0)
        Die(path);
    for (off_t at = 0;; at += static_cast<off_t>(kChunk)) {
        const ssize_t got = ::pread(fd, memory, kChunk, at);
        if (got < 0)
            Die(path);
        if (static_cast<std::size_t>(got) < kChunk)
            break;
    }
    ::close(fd);
}

char *ChunkMemory()
{
    void *memory = nullptr;
    if (::posix_memalign(&memory, 4096, kChunk) != 0)
        Die("memory");
    std::memset(memory, 0, kChunk);
    return static_cast<char *>(memory);
}

// Threads take folders from a common stack, list them, put their folders on
// it and read their files: both trees walked and read at once, at the pace of
// the device.
void Floor(int threads, const fs::path &source, const fs::path &target)
{
    std::mutex lock;
    std::condition_variable more;
    std::vector<fs::path> folders{source, target};
    int listing = 0;
    std::vector<std::thread> readers;
    for (int i = 0; i < threads; ++i)
        readers.emplace_back([&] {
            char *memory = ChunkMemory();
            for (;;) {
                fs::path folder;
                {
                    std::unique_lock held(lock);
                    more.wait(held, [&] { return !folders.empty() || listing == 0; });
                    if (folders.empty())
                        break;
                    folder = std::move(folders.back());
                    folders.pop_back();
                    ++listing;
                }
                std::vector<fs::path> files;
                std::vector<fs::path> inner;
                for (const fs::directory_entry &entry : fs::directory_iterator(folder))
                    (entry.is_directory() ? inner : files).push_back(entry.path());
                // In the order of their names, as the programs measured read
                // them: a folder's files lie on the disk in the order they were
                // written, and a file system lists them in another.
                std::sort(files.begin(), files.end());
                std::sort(inner.rbegin(), inner.rend());
                {
                    const std::lock_guard held(lock);
                    folders.insert(folders.end(), inner.begin(), inner.end());
                    --listing;
                }
                more.notify_all();
                for (const fs::path &file : files)
                    ReadWhole(file, memory);
            }
            std::free(memory);
        });
    for (std::thread &reader : readers)
        reader.join();
}

void Pairs(const fs::path &source, const fs::path &target)
{
    char *memory[2] = {ChunkMemory(), ChunkMemory()};
    for (const fs::path &file : FilesOf(source)) {
        std::thread other([&] { ReadWhole(target / file, memory[1]); });
        ReadWhole(source / file, memory[0]);
        other.join();
    }
}

void Pages(int count, char **roots)
{
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::size_t cached = 0;
    for (int i = 0; i < count; ++i)
        for (const fs::path &file : FilesOf(roots[i])) {
            const fs::path path = fs::path(roots[i]) / file;
            const auto length = static_cast<std::size_t>(fs::file_size(path));
            if (length == 0)
                continue;
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            void *map = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0);
            ::close(fd);
            if (map == MAP_FAILED)
                Die(path);
            std::vector<unsigned char> resident((length + page - 1) / page);
            ::mincore(map, length, resident.data());
            ::munmap(map, length);
            cached += static_cast<std::size_t>(std::count_if(resident.begin(), resident.end(),
                                                             [](unsigned char r) { return (r & 1) != 0; }));
        }
    std::printf("%zu\n", cached);
}

} // namespace

int main(int argc, char **argv)
{
    const std::string verb = argc > 1 ? argv[1] : "";
    if ((verb == "make" || verb == "large") && argc == 6)
        Make(argv[2], std::atoi(argv[3]), std::strtoull(argv[4], nullptr, 10),
             static_cast<unsigned>(std::atoi(argv[5])), verb == "large");
    else if (verb == "floor" && argc == 5)
        Floor(std::atoi(argv[2]), argv[3], argv[4]);
    else if (verb == "pairs" && argc == 4)
        Pairs(argv[2], argv[3]);
    else if (verb == "pages" && argc > 2)
        Pages(argc - 2, argv + 2);
    else {
        std::fprintf(stderr,
                     "usage: mvx-bench-trees make|large DIR FILES BYTES SEED | floor THREADS SOURCE TARGET"
                     " | pairs SOURCE TARGET | pages DIR...\n");
        return 2;
    }
    return 0;
}
