// The Windows side of the test files: UTF-16 names, handles, sparse files.
#include "support/TempFiles.h"

#include <random>
#include <stdexcept>
#include <vector>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <winioctl.h>
#include <winternl.h>

namespace mvx::test {

namespace {

// A file opened for writing, closed when the object goes away; its times are
// set an hour back just before, so that any later write shows in them.
class WrittenFile {
public:
    explicit WrittenFile(const std::string &path) : path_(path)
    {
        handle_ = CreateFileW(PathFromUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE)
            throw std::runtime_error("cannot create " + path);
    }
    ~WrittenFile() { CloseHandle(handle_); }
    WrittenFile(const WrittenFile &) = delete;
    WrittenFile &operator=(const WrittenFile &) = delete;

    [[nodiscard]] HANDLE Handle() const { return handle_; }
    void Check(bool ok) const
    {
        if (!ok)
            throw std::runtime_error("cannot write " + path_);
    }
    void DateBack() const
    {
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER time{};
        time.LowPart = now.dwLowDateTime;
        time.HighPart = now.dwHighDateTime;
        time.QuadPart -= 3600ULL * 10'000'000; // FILETIME counts 100 ns
        const FILETIME back{time.LowPart, time.HighPart};
        Check(SetFileTime(handle_, nullptr, &back, &back) != 0);
    }

private:
    std::string path_;
    HANDLE handle_;
};

} // namespace

TempDir::TempDir()
{
    std::random_device seed;
    std::mt19937_64 random(seed());
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = base / ("mvx-test-" + std::to_string(random() % 1'000'000'000));
        if (CreateDirectoryW(path_.c_str(), nullptr))
            return;
    }
    throw std::runtime_error("cannot make a temporary folder");
}

void WriteBytes(const std::string &path, const std::string &bytes)
{
    const WrittenFile file(path);
    DWORD written = 0;
    file.Check(WriteFile(file.Handle(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size());
    file.DateBack();
}

void WriteSparse(const std::string &path, std::int64_t size, char last)
{
    const WrittenFile file(path);
    // Without the sparse mark, the system would write out every zero.
    DWORD returned = 0;
    file.Check(DeviceIoControl(file.Handle(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr) !=
               0);
    LARGE_INTEGER end{};
    end.QuadPart = size;
    file.Check(SetFilePointerEx(file.Handle(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.Handle()));
    if (last != 0) {
        LARGE_INTEGER at{};
        at.QuadPart = size - 1;
        DWORD written = 0;
        file.Check(SetFilePointerEx(file.Handle(), at, nullptr, FILE_BEGIN) &&
                   WriteFile(file.Handle(), &last, 1, &written, nullptr) && written == 1);
    }
    file.DateBack();
}

int OpenDescriptorCount()
{
    // The system's table of open handles, with the process that holds each.
    // GetProcessHandleCount would be simpler but answers 0 under Wine.
    struct Entry {
        ULONG process;
        BYTE type;
        BYTE flags;
        USHORT handle;
        PVOID object;
        ACCESS_MASK access;
    };
    struct Table {
        ULONG count;
        Entry entries[1];
    };
    constexpr auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
    constexpr auto kLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);
    std::vector<char> buffer(1 << 20);
    NTSTATUS status = 0;
    while ((status = NtQuerySystemInformation(kSystemHandleInformation, buffer.data(),
                                              static_cast<ULONG>(buffer.size()), nullptr)) == kLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return -1;
    const auto *table = reinterpret_cast<const Table *>(buffer.data());
    const ULONG self = GetCurrentProcessId();
    int count = 0;
    for (ULONG i = 0; i < table->count; ++i)
        count += table->entries[i].process == self ? 1 : 0;
    return count;
}

} // namespace mvx::test
