// The engine as the Check command drives it, for tests that want the verdict
// on two paths that name files.
#pragma once

#include "compare/Compare.h"
#include "compare/FileLayer.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace mvx::test {

// Both files opened, then compared. Throws CompareError as the engine does,
// and std::logic_error for a path that names no existing file.
inline bool CompareFiles(const std::string &source, const std::string &target, CompareProgress &progress,
                         ReadPath readPath = ReadPath::Device)
{
    FilePair pair(readPath);
    if (pair.Open(source, target, progress) != FilePair::Opening::Opened)
        throw std::logic_error("the pair was not opened: " + source + " / " + target);
    return pair.CompareFiles(progress);
}

// The size that opening the file takes.
inline std::int64_t FileSizeOf(const std::string &path)
{
    return ReadOnlyFile(path, ReadPath::Cache).Size();
}

} // namespace mvx::test
