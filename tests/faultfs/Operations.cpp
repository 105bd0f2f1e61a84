#include "faultfs/Operations.h"

#include "faultfs/Holds.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <fuse_lowlevel.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mvx::faultfs {

namespace {

Served &This()
{
    return *static_cast<Served *>(fuse_get_context()->private_data);
}

// The name faults are given for: the path inside the served folder.
std::string Name(const char *path)
{
    return path[0] == '/' ? path + 1 : path;
}

std::string Backing(const char *path)
{
    return This().folder + path;
}

bool Unmounting()
{
    return fuse_session_exited(fuse_get_session(fuse_get_context()->fuse)) != 0;
}

void *Init(fuse_conn_info *, fuse_config *config)
{
    // The served files' own inode numbers, so that a file keeps its identity
    // however often the system forgets and looks it up again.
    config->use_ino = 1;
    return fuse_get_context()->private_data;
}

// Symbolic links are followed here: the mount shows what they lead to. The
// system looks a name up through here, and asks here again only once it has
// forgotten what it was told (attr_timeout, entry_timeout): a test whose hold
// is to meet the look-up of a check leaves the name alone before.
int GetAttr(const char *path, struct stat *attributes, fuse_file_info *)
{
    if (const Fault *hold = This().plan.TakeHold(FaultKind::HoldLookUp, Name(path)))
        HoldBack(*hold, Unmounting);
    if (::stat(Backing(path).c_str(), attributes) != 0)
        return -errno;
    if (const std::optional<std::int64_t> size = This().plan.ReportedSize(Name(path)))
        attributes->st_size = *size;
    return 0;
}

int ReadDir(const char *path, void *buffer, fuse_fill_dir_t fill, off_t, fuse_file_info *, fuse_readdir_flags)
{
    DIR *dir = ::opendir(Backing(path).c_str());
    if (dir == nullptr)
        return -errno;
    while (const dirent *entry = ::readdir(dir)) {
        struct stat attributes {};
        attributes.st_ino = entry->d_ino;
        attributes.st_mode = DTTOIF(entry->d_type);
        if (fill(buffer, entry->d_name, &attributes, 0, static_cast<fuse_fill_dir_flags>(0)) != 0)
            break;
    }
    ::closedir(dir);
    return 0;
}

int Open(const char *path, fuse_file_info *file)
{
    if ((file->flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    if (const Fault *hold = This().plan.TakeHold(FaultKind::HoldOpen, Name(path)))
        HoldBack(*hold, Unmounting);
    const int fd = ::open(Backing(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    file->fh = static_cast<std::uint64_t>(fd);
    if (This().directReads || This().plan.NeedsDirectReads(Name(path)))
        file->direct_io = 1;
    return 0;
}

int Read(const char *path, char *buffer, std::size_t length, off_t offset, fuse_file_info *file)
{
    const ReadFate fate = This().plan.TakeReadFate(Name(path), offset, length);
    if (fate.hold != nullptr)
        HoldBack(*fate.hold, Unmounting);
    if (fate.error != 0)
        return -fate.error;
    if (fate.endAt)
        length = offset >= *fate.endAt ? 0 : std::min(length, static_cast<std::size_t>(*fate.endAt - offset));
    // A read of the system's is answered in full, or up to the file's end:
    // anything shorter would be a fault that nobody asked for.
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(static_cast<int>(file->fh), buffer + done, length - done,
                                    offset + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -errno;
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<int>(done);
}

int Release(const char *, fuse_file_info *file)
{
    ::close(static_cast<int>(file->fh));
    return 0;
}

} // namespace

const fuse_operations &Operations()
{
    static const fuse_operations operations = [] {
        fuse_operations all{};
        all.init = Init;
        all.getattr = GetAttr;
        all.readdir = ReadDir;
        all.open = Open;
        all.read = Read;
        all.release = Release;
        return all;
    }();
    return operations;
}

} // namespace mvx::faultfs
