// The floor the engine is measured against: read both files in blocks of the
// engine's length and compare each pair with memcmp, nothing else.
// With --read-ahead it also keeps asking the system to read each file a few
// MiB ahead, in pieces of about one device request (one call of
// POSIX_FADV_WILLNEED reads no more than that): the plain way to spare a slow
// device the switching between two files read side by side.
// Exit status 0 identical, 1 different, 2 trouble.
#include "compare/Compare.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

constexpr auto kBlock = static_cast<std::size_t>(mvx::kBlockLength);
constexpr off_t kAdvicePiece = off_t{1} << 20;
constexpr off_t kAheadWindow = off_t{4} << 20;
constexpr off_t kAdviceStep = off_t{2} << 20;

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

// Asks for [from, to) of both files, piece by piece.
void AdviseAhead(int a, int b, off_t from, off_t to)
{
    for (const int fd : {a, b})
        for (off_t at = from; at < to; at += kAdvicePiece)
            ::posix_fadvise(fd, at, std::min(kAdvicePiece, to - at), POSIX_FADV_WILLNEED);
}

} // namespace

int main(int argc, char *argv[])
{
    const bool readAhead = argc == 4 && std::string(argv[1]) == "--read-ahead";
    if (argc != 3 && !readAhead)
        return 2;
    const int a = ::open(argv[argc - 2], O_RDONLY);
    const int b = ::open(argv[argc - 1], O_RDONLY);
    if (a < 0 || b < 0)
        return 2;
    const off_t size = ::lseek(a, 0, SEEK_END);
    ::lseek(a, 0, SEEK_SET);
    off_t position = 0;
    off_t advised = 0;
    for (;;) {
        while (readAhead && advised < size && advised < position + kAheadWindow) {
            const off_t to = std::min(size, advised + kAdviceStep);
            AdviseAhead(a, b, advised, to);
            advised = to;
        }
        const long gotA = ReadFull(a, first);
        const long gotB = ReadFull(b, second);
        if (gotA < 0 || gotB < 0)
            return 2;
        if (gotA != gotB || std::memcmp(first, second, static_cast<std::size_t>(gotA)) != 0)
            return 1;
        if (gotA == 0)
            return 0;
        position += gotA;
    }
}
