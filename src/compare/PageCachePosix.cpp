#include "compare/PageCache.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace mvx {

namespace {

// The file is looked at a window at a time, so that what is noted of a large
// file is its cached stretches, never a byte for each of its pages.
constexpr std::int64_t kWindow = std::int64_t{256} << 20;
// The system reads no more of a file ahead at one request than its device's
// read-ahead, at least 128 KiB: what is brought back is asked for so.
constexpr std::int64_t kBringBack = std::int64_t{128} << 10;

} // namespace

PageCache::PageCache(int fd, std::int64_t size) : fd_(fd)
{
    ::fdatasync(fd);
    const auto page = static_cast<std::int64_t>(::sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> resident;
    // A file that cannot be mapped (those of /proc) has no pages to note.
    for (std::int64_t at = 0; at < size; at += kWindow) {
        const auto length = static_cast<std::size_t>(std::min(kWindow, size - at));
        void *map = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, at);
        if (map == MAP_FAILED)
            break;
        resident.assign((length + page - 1) / page, 0);
        const bool known = ::mincore(map, length, resident.data()) == 0;
        ::munmap(map, length);
        if (!known)
            break;
        for (std::size_t i = 0; i < resident.size(); ++i) {
            if ((resident[i] & 1) == 0)
                continue;
            const std::int64_t offset = at + static_cast<std::int64_t>(i) * page;
            if (!cached_.empty() && cached_.back().first + cached_.back().second == offset)
                cached_.back().second += page;
            else
                cached_.emplace_back(offset, page);
        }
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    // No read ahead of the requests: nothing is cached that the comparison
    // does not ask for.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
}

PageCache::~PageCache()
{
    // Some file systems (squashfs) cache more than a read asked for.
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_DONTNEED);
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_NORMAL);
    for (const auto &[offset, length] : cached_)
        for (std::int64_t at = offset; at < offset + length; at += kBringBack)
            ::posix_fadvise(fd_, at, std::min(kBringBack, offset + length - at), POSIX_FADV_WILLNEED);
}

void PageCache::Drop(std::int64_t offset, std::int64_t length) const
{
    ::posix_fadvise(fd_, offset, length, POSIX_FADV_DONTNEED);
}

} // namespace mvx
