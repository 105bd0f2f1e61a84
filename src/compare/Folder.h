// A folder of a tree being compared, open for listing; its entries are looked
// at relative to it, so that a tree deeper than the system's longest path is
// walked as easily as a shallow one. Part of the file layer.
#pragma once

#include "compare/FileFailure.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mvx {

enum class EntryKind { File, Folder, Link, Fifo, Socket, CharDevice, BlockDevice };

struct FolderEntry {
    // The name as the bytes it is (its UTF-8 on Windows).
    std::string name;
    EntryKind kind = EntryKind::File;
    // A file's size as listed; the comparison takes it afresh when it opens
    // the file.
    std::int64_t size = 0;
    // A symbolic link's text, never followed.
    std::string linkTarget;
};

class Folder {
public:
    // Fails (FileStep::List) when the folder cannot be opened. A link is
    // followed at the root only.
    explicit Folder(const std::string &path);
    Folder(std::shared_ptr<const Folder> parent, const std::string &name);
    ~Folder();
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;

    // The path it was reached by, for messages.
    [[nodiscard]] const std::string &Path() const { return path_; }
    // The path of an entry of it, for messages.
    [[nodiscard]] std::string PathOf(const std::string &name) const;

    // Its entries, sorted by their names' bytes. Fails (FileStep::List) when
    // the folder cannot be read.
    [[nodiscard]] std::vector<FolderEntry> Entries() const;

private:
    friend class ReadOnlyFile;

    std::shared_ptr<const Folder> parent_;
    std::string path_;
    // The system's handle: a descriptor; on Windows, none (paths are joined).
    std::intptr_t handle_ = -1;
};

// A directory entry of that name exists and is a folder (a link to one
// followed).
bool IsExistingFolder(const std::string &path);

} // namespace mvx
