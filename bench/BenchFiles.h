// The files the benchmark compares: made with real data in a folder of their
// own, removed again afterwards.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mvx::bench {

// One source, an identical copy, a copy whose last byte differs and one whose
// first byte differs, all of `size` bytes; plus a pair of `smallSize` bytes.
// Data is pseudo-random and really written: holes would read faster than any
// real file.
class BenchFiles {
public:
    BenchFiles(const std::filesystem::path &folder, std::int64_t size, std::int64_t smallSize);
    ~BenchFiles();
    BenchFiles(const BenchFiles &) = delete;
    BenchFiles &operator=(const BenchFiles &) = delete;

    std::string source, same, lastDiffers, firstDiffers;
    std::string smallSource, smallSame;

private:
    void Remove() const;
};

// Writes the same `size` bytes of pseudo-random data to every path, synced to
// the disk; with flipLast the third file gets its last byte changed, with
// flipFirst the fourth its first.
void WriteSet(const std::vector<std::string> &paths, std::int64_t size, bool flipFirst, bool flipLast);

// Bytes free for an unprivileged writer in the folder.
std::int64_t FreeSpace(const std::filesystem::path &folder);

// Drops the file's pages from the page cache, so that the next read comes
// from the disk.
void Evict(const std::string &path);

// The share of the file's pages that are in the page cache, 0 to 1.
double ResidentShare(const std::string &path);

} // namespace mvx::bench
