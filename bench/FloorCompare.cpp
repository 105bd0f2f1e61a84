// The floor that morvatix-cmp --cached is measured against: read both files
// through the page cache in blocks of the engine's length and compare each
// pair with memcmp, nothing else.
// Exit status 0 identical, 1 different, 2 trouble.
#include "compare/Compare.h"

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr auto kBlock = static_cast<std::size_t>(mvx::kBlockLength);

// Page-aligned like the engine's blocks, so that neither is slowed by where
// its buffers happen to start.
alignas(4096) char first[kBlock];
alignas(4096) char second[kBlock];

long ReadFull(int fd, char *buffer)
{
    std::size_t done = 0;
    while (done < kBlock) {
        const ssize_t got = ::read(fd, buffer + done, kBlock - done);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<long>(done);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3)
        return 2;
    const int a = ::open(argv[1], O_RDONLY);
    const int b = ::open(argv[2], O_RDONLY);
    if (a < 0 || b < 0)
        return 2;
    for (;;) {
        const long gotA = ReadFull(a, first);
        const long gotB = ReadFull(b, second);
        if (gotA < 0 || gotB < 0)
            return 2;
        if (gotA != gotB || std::memcmp(first, second, static_cast<std::size_t>(gotA)) != 0)
            return 1;
        if (gotA == 0)
            return 0;
    }
}
