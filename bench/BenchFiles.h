// The files the benchmark compares: made with real data in a folder of their
// own, removed again afterwards; and what the page cache holds of them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mvx::bench {

// Identical pairs: one of `size` bytes kept in the page cache, another of that
// size whose second half is dropped from it before every run, and one of
// `smallSize` bytes. Data is pseudo-random and really written: holes would
// read faster than any real file.
class BenchFiles {
public:
    BenchFiles(const std::filesystem::path &folder, std::int64_t size, std::int64_t smallSize);
    ~BenchFiles();
    BenchFiles(const BenchFiles &) = delete;
    BenchFiles &operator=(const BenchFiles &) = delete;

    std::string source, same;
    std::string halfSource, halfSame;
    std::string smallSource, smallSame;

private:
    void Remove() const;
};

// Writes the same `size` bytes of pseudo-random data to every path, synced to
// the disk.
void WriteSet(const std::vector<std::string> &paths, std::int64_t size);

// Bytes free for an unprivileged writer in the folder.
std::int64_t FreeSpace(const std::filesystem::path &folder);

// Leaves the first `bytes` of the file in the page cache and nothing after.
void LeaveCached(const std::string &path, std::int64_t bytes);

// Which of the file's pages are in the page cache.
std::vector<bool> CachedPages(const std::string &path);

// Pages cached in `after` that were not in `before`.
std::int64_t NewlyCached(const std::vector<bool> &before, const std::vector<bool> &after);

} // namespace mvx::bench
