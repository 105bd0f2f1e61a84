// The one place where the comparison touches the operating system's file
// interface. Everything platform-specific stays behind these declarations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mvx {

// A file opened for one operation: read access, writers shut out where the
// platform can do that, never written. Closed when the object goes away.
class ReadOnlyFile {
public:
    // Throws CompareError with the open-failure message when the path cannot
    // be opened or does not name a regular file. Never blocks.
    explicit ReadOnlyFile(const std::string &path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    // The size at the moment of opening.
    [[nodiscard]] std::int64_t Size() const { return openedSize_; }

    // Reads up to length bytes, fewer only at the end of the file.
    // Throws CompareError on an I/O error.
    std::size_t Read(char *buffer, std::size_t length);

    // True when the size or the modification time is no longer what it was
    // at opening: the bytes read may not be the file's bytes any more.
    [[nodiscard]] bool ChangedSinceOpening() const;

    // Tells the system that the file will be read once, front to back.
    void AdviseSequential() const;

    // Starts the system reading the file from its start in runs of up to
    // runLength bytes, as long as the device takes in one request, and returns
    // without waiting for them where the system allows. Whatever part of the
    // run is cached already is copied into scratch, over and over, and is of
    // no further use. The read position does not move.
    void StartReadingAhead(std::size_t runLength, char *scratch, std::size_t scratchLength) const;

private:
    struct Stamp {
        std::int64_t size = 0;
        std::int64_t modifiedSeconds = 0;
        std::int64_t modifiedNanoseconds = 0;
        bool operator==(const Stamp &) const = default;
    };
    [[nodiscard]] Stamp CurrentStamp() const;

    std::string path_;
#ifdef _WIN32
    void *handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    Stamp opened_;
    std::int64_t openedSize_ = 0;
};

// A directory entry of that name exists and is a regular file (symbolic links
// followed). Directories, FIFOs, sockets and devices are not files here.
bool IsExistingFile(const std::string &path);

// A path as UTF-8 text, for messages: paths are bytes of the system's own
// encoding, which is UTF-8 here but the ANSI code page on Windows.
std::string PathForMessage(const std::string &path);

// The program's parameters after its own name, counted up to the first empty
// one. argv is what the application object left after taking its own options.
std::vector<std::string> ProgramParameters(int argc, char **argv);

} // namespace mvx
