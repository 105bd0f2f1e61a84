#include "compare/Folder.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mvx {

namespace {

int OpenFolder(int at, const std::string &name, int follow, const std::string &path)
{
    int fd = -1;
    do {
        fd = ::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY | follow);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        Fail(path, FileStep::List, errno);
    return fd;
}

EntryKind KindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return EntryKind::Folder;
    if (S_ISLNK(mode))
        return EntryKind::Link;
    if (S_ISFIFO(mode))
        return EntryKind::Fifo;
    if (S_ISSOCK(mode))
        return EntryKind::Socket;
    if (S_ISCHR(mode))
        return EntryKind::CharDevice;
    if (S_ISBLK(mode))
        return EntryKind::BlockDevice;
    return EntryKind::File;
}

std::string LinkText(int folder, const std::string &name, const std::string &path)
{
    std::string text(256, '\0');
    for (;;) {
        const ssize_t length = ::readlinkat(folder, name.c_str(), text.data(), text.size());
        if (length < 0)
            Fail(path, FileStep::Read, errno);
        if (static_cast<std::size_t>(length) < text.size()) {
            text.resize(static_cast<std::size_t>(length));
            return text;
        }
        text.resize(text.size() * 2);
    }
}

} // namespace

Folder::Folder(const std::string &path) : path_(path)
{
    if (path.find('\0') != std::string::npos)
        Fail(path, FileStep::List, EINVAL);
    handle_ = OpenFolder(AT_FDCWD, path, 0, path);
}

Folder::Folder(std::shared_ptr<const Folder> parent, const std::string &name)
    : parent_(std::move(parent)), path_(parent_->PathOf(name))
{
    handle_ = OpenFolder(static_cast<int>(parent_->handle_), name, O_NOFOLLOW, path_);
}

Folder::~Folder()
{
    ::close(static_cast<int>(handle_));
}

std::string Folder::PathOf(const std::string &name) const
{
    return path_.ends_with('/') ? path_ + name : path_ + '/' + name;
}

std::vector<FolderEntry> Folder::Entries() const
{
    // A descriptor of its own, whose reading position is its own too.
    const int fd = OpenFolder(static_cast<int>(handle_), ".", 0, path_);
    DIR *listing = ::fdopendir(fd);
    if (listing == nullptr) {
        ::close(fd);
        Fail(path_, FileStep::List, errno);
    }
    std::vector<FolderEntry> entries;
    try {
        errno = 0;
        while (const dirent *entry = ::readdir(listing)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            struct stat st {};
            if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                Fail(PathOf(name), FileStep::List, errno);
            FolderEntry found{name, KindOf(st.st_mode), st.st_size, {}};
            if (found.kind == EntryKind::Link)
                found.linkTarget = LinkText(fd, name, PathOf(name));
            entries.push_back(std::move(found));
            errno = 0;
        }
        if (errno != 0)
            Fail(path_, FileStep::List, errno);
    } catch (...) {
        ::closedir(listing);
        throw;
    }
    ::closedir(listing);
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry &a, const FolderEntry &b) { return a.name < b.name; });
    return entries;
}

bool IsExistingFolder(const std::string &path)
{
    struct stat st {};
    return path.find('\0') == std::string::npos && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace mvx
