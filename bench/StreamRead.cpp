// The device limit for a pair of files: reads the first file to its end, then
// the second, in reads of 8 MiB, so that the system asks the device for
// requests as long as it takes and never switches between the files.
// Exit status 0 when both were read, 2 on trouble.
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

constexpr std::size_t kRead = std::size_t{8} << 20;

bool ReadToEnd(const char *path, char *buffer)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, kRead)) > 0) {
    }
    ::close(fd);
    return got == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3)
        return 2;
    const auto buffer = std::make_unique_for_overwrite<char[]>(kRead);
    return ReadToEnd(argv[1], buffer.get()) && ReadToEnd(argv[2], buffer.get()) ? 0 : 2;
}
