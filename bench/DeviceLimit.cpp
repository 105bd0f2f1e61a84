// mvx-bench-limit [--at-once] FIRST SECOND: what the devices give at best.
// Reads both files past the page cache in reads of 10 MiB, into memory backed
// by huge pages so that the system hands each read to the device in as few
// requests as the device takes: whole ones for every request size from
// 128 KiB to 2 MiB, and for 1280 KiB, a loop device's and the system's usual
// cap. The first file to its end and then the second, or both at once on
// two threads.
// Exit status 0 when both were read, 2 on trouble.
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <memory>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr std::size_t kRead = std::size_t{10} << 20;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

bool ReadToEnd(const char *path)
{
    const std::unique_ptr<char, decltype(&std::free)> memory(
        static_cast<char *>(std::aligned_alloc(kHugePage, kRead)), &std::free);
    if (!memory)
        return false;
    ::madvise(memory.get(), kRead, MADV_HUGEPAGE);
    const int fd = ::open(path, O_RDONLY | O_DIRECT | O_CLOEXEC);
    if (fd < 0)
        return false;
    // A read that falls short has met the end; the next would start off the
    // alignment that reads past the cache need.
    off_t offset = 0;
    ssize_t got = 0;
    while ((got = ::pread(fd, memory.get(), kRead, offset)) == static_cast<ssize_t>(kRead))
        offset += got;
    ::close(fd);
    return got >= 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const bool atOnce = argc == 4 && std::strcmp(argv[1], "--at-once") == 0;
    if (argc != 3 && !atOnce)
        return 2;
    const char *first = argv[argc - 2];
    const char *second = argv[argc - 1];
    if (!atOnce)
        return ReadToEnd(first) && ReadToEnd(second) ? 0 : 2;
    auto firstRead = std::async(std::launch::async, ReadToEnd, first);
    const bool secondRead = ReadToEnd(second);
    return firstRead.get() && secondRead ? 0 : 2;
}
