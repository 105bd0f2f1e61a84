// What went wrong with a file, as the engine reports it: which file, which
// operation and the system's own error number. The words the user reads are
// chosen by whoever shows the failure.
#pragma once

#include <exception>
#include <string>

namespace mvx {

enum class FileStep {
    List,    // opening or reading a folder
    Open,    // opening, and what it takes: the type, the size, the sharing
    Read,    // a read failed, or the file gave other bytes than its size said
    Recheck, // after the reads: the file changed, was asked for by a writer,
             // or its path no longer names it
};

struct FileFailure {
    std::string path;
    FileStep step = FileStep::Read;
    // errno, or GetLastError() on Windows; 0 where the system reported
    // nothing and the engine found the fault itself.
    int error = 0;
};

// How a failure leaves the engine's calls.
class FileError : public std::exception {
public:
    explicit FileError(FileFailure failure) : failure_(std::move(failure)) {}
    [[nodiscard]] const FileFailure &Failure() const { return failure_; }
    [[nodiscard]] const char *what() const noexcept override { return "file operation failed"; }

private:
    FileFailure failure_;
};

[[noreturn]] inline void Fail(const std::string &path, FileStep step, int error = 0)
{
    throw FileError({path, step, error});
}

} // namespace mvx
