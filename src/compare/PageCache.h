// The system's cache of a file that is read through it while the verdict is
// to be about its device: the cache is made to hold nothing of the file
// before it is read, lets go of every request once it has been compared, and
// gets back, once the file is closed, what it held of the file before.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace mvx {

class PageCache {
public:
    // Writes out what waits to be written, notes which pages are cached and
    // drops them all.
    PageCache(int fd, std::int64_t size);
    // Drops what the reads brought in and brings back what was cached.
    ~PageCache();
    PageCache(const PageCache &) = delete;
    PageCache &operator=(const PageCache &) = delete;

    // After a request: its pages go again.
    void Drop(std::int64_t offset, std::int64_t length) const;

private:
    int fd_;
    // Stretches of the file, offset and length, that were cached at opening.
    std::vector<std::pair<std::int64_t, std::int64_t>> cached_;
};

} // namespace mvx
