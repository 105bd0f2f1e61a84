// Two folder trees compared entry by entry: the same names at every level,
// each of the same kind, every file pair byte-identical as a pair is, every
// symbolic link with the same text. Both trees are walked while their files
// are compared, many at once, and what is found comes out in the order of a
// walk by name, folder by folder.
#pragma once

#include "compare/FileFailure.h"
#include "compare/FileLayer.h"

#include <cstdint>
#include <stop_token>
#include <string>

namespace mvx {

struct TreeFinding {
    enum class What {
        Content,      // two files whose bytes differ
        Size,         // two files whose sizes differ; their bytes were not read
        OnlyInSource, // an entry, a whole folder too, that the target lacks
        OnlyInTarget,
        Kind,       // a file against a folder, a link, a FIFO...
        LinkTarget, // two symbolic links with other texts
        Unreadable, // an entry that could not be read: no verdict on it
    };
    What what = What::Content;
    // The entry's path below both roots, its names joined by '/'.
    std::string path;
    // Content: where the files first differ, counted from 0.
    std::int64_t at = 0;
    // Unreadable: what failed, with the path it was reached by.
    FileFailure failure;
};

struct TreeCount {
    std::int64_t files = 0;
    std::int64_t bytes = 0;
};

// What the comparison of two trees tells whoever runs it, and asks of it.
class TreeProgress {
public:
    virtual ~TreeProgress() = default;
    // Each finding, in the walk's order, as soon as all before it are known.
    virtual void Found(const TreeFinding &finding) = 0;
    // The files compared so far and their bytes, of those the walk has met;
    // whether a file operation has waited a second for its device.
    virtual void Progress(TreeCount done, TreeCount met, bool waiting) = 0;
    // A few times a second at least: the caller's events, a stop among them.
    virtual void ProcessEvents() = 0;
};

struct TreeOutcome {
    bool stopped = false;
    std::int64_t differences = 0;
    std::int64_t unreadable = 0;
};

// Both roots must be folders. A root that cannot be read is one unreadable
// finding. Other failures (memory, threads) are thrown.
TreeOutcome CompareTrees(const std::string &source, const std::string &target, std::stop_token stop,
                         ReadPath readPath, TreeProgress &progress);

} // namespace mvx
