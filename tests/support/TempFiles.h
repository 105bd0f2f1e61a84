// Real files in a temporary folder for the tests, without Qt.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace mvx::test {

// A fresh folder, removed with everything in it when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    [[nodiscard]] const std::filesystem::path &Path() const { return path_; }
    // The path of name in the folder, as the program's UTF-8 path text.
    [[nodiscard]] std::string File(const std::string &name) const;

private:
    std::filesystem::path path_;
};

// Writes bytes to path, replacing what was there, and dates the file an hour
// back so that any later write shows in its modification time.
void WriteBytes(const std::string &path, const std::string &bytes);

// A source and a target file holding the bytes given, in a folder of their own.
struct TempPair {
    TempDir dir;
    std::string source = dir.File("source.bin");
    std::string target = dir.File("target.bin");
    TempPair(const std::string &sourceBytes, const std::string &targetBytes)
    {
        WriteBytes(source, sourceBytes);
        WriteBytes(target, targetBytes);
    }
};

// count bytes of a repeating pattern, with the byte at index `flip` changed
// when flip is not negative.
std::string Pattern(std::int64_t count, std::int64_t flip = -1);

// A file of the given size that takes no disk space: all zero bytes, except
// `last` written as its final byte when it is not zero.
void WriteSparse(const std::string &path, std::int64_t size, char last = 0);

// A path as a path object and back. Paths are UTF-8 text to the program;
// on Windows std::filesystem reads a std::string byte by byte, not as UTF-8.
std::filesystem::path PathFromUtf8(const std::string &text);
std::string Utf8FromPath(const std::filesystem::path &path);

#ifndef _WIN32
// Takes every permission from the file and, when this process runs as root,
// gives up root's right to read it anyway. False when it is still readable.
bool MakeUnreadable(const std::string &path);

// True when files in the folder can be leased: only then does the system
// hold writers back for a reader and tell it of them.
bool LeasesWorkIn(const TempDir &dir);

// While it lives, the calling thread goes without one capability (a CAP_
// number), as a program of an ordinary user does; given back at the end.
class WithoutCapability {
public:
    explicit WithoutCapability(int capability);
    ~WithoutCapability();
    WithoutCapability(const WithoutCapability &) = delete;
    WithoutCapability &operator=(const WithoutCapability &) = delete;

    // False when the thread did not have it or could not give it up.
    [[nodiscard]] bool Dropped() const { return dropped_; }

private:
    int capability_;
    bool dropped_ = false;
};
#endif

// The number of file descriptors (on Windows: handles) this process has open.
int OpenDescriptorCount();

} // namespace mvx::test
