// The POSIX side of the test files.
#include "support/TempFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace mvx::test {

namespace {

void DateBack(const std::string &path)
{
    timespec times[2];
    clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= 3600;
    times[1] = times[0];
    if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        throw std::runtime_error("cannot date " + path);
}

int OpenForWriting(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot create " + path);
    return fd;
}

} // namespace

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "mvx-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

void WriteBytes(const std::string &path, const std::string &bytes)
{
    const int fd = OpenForWriting(path);
    const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    if (!ok)
        throw std::runtime_error("cannot write " + path);
    DateBack(path);
}

void WriteSparse(const std::string &path, std::int64_t size, char last)
{
    const int fd = OpenForWriting(path);
    bool ok = ::ftruncate(fd, size) == 0;
    if (ok && last != 0)
        ok = ::pwrite(fd, &last, 1, size - 1) == 1;
    ::close(fd);
    if (!ok)
        throw std::runtime_error("cannot make sparse " + path);
    DateBack(path);
}

bool MakeUnreadable(const std::string &path)
{
    if (::chmod(path.c_str(), 0) != 0)
        return false;
    if (::geteuid() == 0) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2]{};
        if (::syscall(SYS_capget, &header, data) != 0)
            return false;
        data[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
        if (::syscall(SYS_capset, &header, data) != 0)
            return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0)
        ::close(fd);
    return fd < 0;
}

bool LeasesWorkIn(const TempDir &dir)
{
    const std::string probe = dir.File("lease-probe");
    WriteBytes(probe, "x");
    const int fd = ::open(probe.c_str(), O_RDONLY | O_CLOEXEC);
    const bool works = ::fcntl(fd, F_SETLEASE, F_RDLCK) == 0;
    ::close(fd);
    ::unlink(probe.c_str());
    return works;
}

namespace {

// Sets or clears one capability in the calling thread's effective set.
bool SetEffective(int capability, bool on)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    const auto bit = 1U << (capability % 32);
    auto &effective = data[capability / 32].effective;
    if (on == ((effective & bit) != 0))
        return false;
    effective = on ? effective | bit : effective & ~bit;
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace

WithoutCapability::WithoutCapability(int capability)
    : capability_(capability), dropped_(SetEffective(capability, false))
{}

WithoutCapability::~WithoutCapability()
{
    if (dropped_)
        SetEffective(capability_, true);
}

int OpenDescriptorCount()
{
    int count = 0;
    DIR *dir = opendir("/proc/self/fd");
    if (dir == nullptr)
        return -1;
    while (const dirent *entry = readdir(dir))
        if (entry->d_name[0] != '.')
            ++count;
    closedir(dir);
    return count - 1; // the folder's own descriptor
}

} // namespace mvx::test
