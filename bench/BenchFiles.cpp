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

void WriteSet(const std::vector<std::string> &paths, std::int64_t size)
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
        for (auto &writer : writers)
            writer->Write(chunk.data(), length);
    }
    for (auto &writer : writers)
        writer->Sync();
}

BenchFiles::BenchFiles(const std::filesystem::path &folder, std::int64_t size, std::int64_t smallSize)
    : source((folder / "source.bin").string()), same((folder / "same.bin").string()),
      halfSource((folder / "half-source.bin").string()), halfSame((folder / "half-same.bin").string()),
      smallSource((folder / "small-source.bin").string()), smallSame((folder / "small-same.bin").string())
{
    try {
        WriteSet({source, same, halfSource, halfSame}, size);
        WriteSet({smallSource, smallSame}, smallSize);
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
    for (const std::string *path : {&source, &same, &halfSource, &halfSame, &smallSource, &smallSame})
        std::filesystem::remove(*path, ignored);
}

std::int64_t FreeSpace(const std::filesystem::path &folder)
{
    struct statvfs info {};
    if (::statvfs(folder.c_str(), &info) != 0)
        throw std::runtime_error("cannot look at " + folder.string());
    return static_cast<std::int64_t>(info.f_bavail) * static_cast<std::int64_t>(info.f_frsize);
}

void LeaveCached(const std::string &path, std::int64_t bytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open " + path);
    std::vector<char> chunk(kChunk);
    for (std::int64_t at = 0; at < bytes;) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(bytes - at, kChunk));
        const ssize_t got = ::pread(fd, chunk.data(), want, at);
        if (got <= 0)
            break;
        at += got;
    }
    ::posix_fadvise(fd, bytes, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

std::vector<bool> CachedPages(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open " + path);
    const off_t size = ::lseek(fd, 0, SEEK_END);
    // Mapped, never touched: mincore reads the cache without adding to it.
    void *map =
        size > 0 ? ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED, fd, 0) : MAP_FAILED;
    ::close(fd);
    if (map == MAP_FAILED)
        return {};
    const long page = ::sysconf(_SC_PAGESIZE);
    std::vector<unsigned char> pages(static_cast<std::size_t>((size + page - 1) / page));
    const bool read = ::mincore(map, static_cast<std::size_t>(size), pages.data()) == 0;
    ::munmap(map, static_cast<std::size_t>(size));
    if (!read)
        throw std::runtime_error("cannot tell what the cache holds of " + path);
    std::vector<bool> cached(pages.size());
    for (std::size_t i = 0; i < pages.size(); ++i)
        cached[i] = (pages[i] & 1) != 0;
    return cached;
}

std::int64_t NewlyCached(const std::vector<bool> &before, const std::vector<bool> &after)
{
    std::int64_t count = 0;
    for (std::size_t i = 0; i < after.size(); ++i)
        count += after[i] && (i >= before.size() || !before[i]) ? 1 : 0;
    return count;
}

} // namespace mvx::bench
