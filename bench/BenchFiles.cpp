#include "BenchFiles.h"

#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace mvx::bench {

namespace {

constexpr std::size_t kChunk = 1 << 20;

class Writer {
public:
    explicit Writer(const std::string &path)
        : path_(path), fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644))
    {
        if (fd_ < 0)
            throw std::runtime_error("cannot create " + path);
    }
    ~Writer() { ::close(fd_); }
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    void Write(const char *data, std::size_t length)
    {
        while (length > 0) {
            const ssize_t done = ::write(fd_, data, length);
            if (done <= 0)
                throw std::runtime_error("cannot write " + path_);
            data += done;
            length -= static_cast<std::size_t>(done);
        }
    }
    // Written back, so that eviction can drop every page.
    void Sync()
    {
        if (::fsync(fd_) != 0)
            throw std::runtime_error("cannot sync " + path_);
    }

private:
    std::string path_;
    int fd_;
};

// xorshift64: fast, and no two chunks alike.
void Fill(std::vector<char> &chunk, std::uint64_t &state)
{
    for (std::size_t i = 0; i + 8 <= chunk.size(); i += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        __builtin_memcpy(chunk.data() + i, &state, 8);
    }
}

} // namespace

void WriteSet(const std::vector<std::string> &paths, std::int64_t size, bool flipFirst, bool flipLast)
{
    std::vector<std::unique_ptr<Writer>> writers;
    writers.reserve(paths.size());
    for (const std::string &path : paths)
        writers.push_back(std::make_unique<Writer>(path));
    std::vector<char> chunk(kChunk);
    std::uint64_t state = 0x9E3779B97F4A7C15ull ^ static_cast<std::uint64_t>(size);
    for (std::int64_t at = 0; at < size; at += static_cast<std::int64_t>(kChunk)) {
        Fill(chunk, state);
        const auto length = static_cast<std::size_t>(std::min<std::int64_t>(size - at, kChunk));
        const bool first = at == 0;
        const bool last = at + static_cast<std::int64_t>(length) == size;
        for (std::size_t w = 0; w < writers.size(); ++w) {
            // Writers 0 and 1 get the data as it is; 2 its last byte changed, 3 its first.
            const bool changeLast = flipLast && w == 2 && last;
            const bool changeFirst = flipFirst && w == 3 && first;
            if (changeLast)
                chunk[length - 1] = static_cast<char>(~chunk[length - 1]);
            if (changeFirst)
                chunk[0] = static_cast<char>(~chunk[0]);
            writers[w]->Write(chunk.data(), length);
            if (changeLast)
                chunk[length - 1] = static_cast<char>(~chunk[length - 1]);
            if (changeFirst)
                chunk[0] = static_cast<char>(~chunk[0]);
        }
    }
    for (auto &writer : writers)
        writer->Sync();
}

BenchFiles::BenchFiles(const std::filesystem::path &folder, std::int64_t size, std::int64_t smallSize)
    : source((folder / "source.bin").string()), same((folder / "same.bin").string()),
      lastDiffers((folder / "last-differs.bin").string()),
      firstDiffers((folder / "first-differs.bin").string()),
      smallSource((folder / "small-source.bin").string()), smallSame((folder / "small-same.bin").string())
{
    try {
        WriteSet({source, same, lastDiffers, firstDiffers}, size, true, true);
        WriteSet({smallSource, smallSame}, smallSize, false, false);
    } catch (...) {
        Remove();
        throw;
    }
}

BenchFiles::~BenchFiles()
{
    Remove();
}

void BenchFiles::Remove() const
{
    std::error_code ignored;
    for (const std::string *path : {&source, &same, &lastDiffers, &firstDiffers, &smallSource, &smallSame})
        std::filesystem::remove(*path, ignored);
}

std::int64_t FreeSpace(const std::filesystem::path &folder)
{
    struct statvfs info {};
    if (::statvfs(folder.c_str(), &info) != 0)
        throw std::runtime_error("cannot look at " + folder.string());
    return static_cast<std::int64_t>(info.f_bavail) * static_cast<std::int64_t>(info.f_frsize);
}

void Evict(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open " + path);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

double ResidentShare(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    void *map =
        size > 0 ? ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED, fd, 0) : MAP_FAILED;
    ::close(fd);
    if (map == MAP_FAILED)
        return 0;
    const long page = ::sysconf(_SC_PAGESIZE);
    std::vector<unsigned char> pages(static_cast<std::size_t>((size + page - 1) / page));
    double share = 0;
    if (::mincore(map, static_cast<std::size_t>(size), pages.data()) == 0) {
        std::size_t resident = 0;
        for (unsigned char p : pages)
            resident += p & 1;
        share = static_cast<double>(resident) / static_cast<double>(pages.size());
    }
    ::munmap(map, static_cast<std::size_t>(size));
    return share;
}

} // namespace mvx::bench
