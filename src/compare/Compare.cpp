#include "compare/Compare.h"

#include "compare/CompareError.h"
#include "compare/FileLayer.h"
#include "compare/ReaderThread.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>

namespace mvx {

std::atomic<unsigned char> CancelRequested{0};

namespace {

// The bar's range is an int. Beyond that, byte counts are shifted down just
// enough to fit; the bar still starts at 0 and ends exactly full.
class BarScale {
public:
    explicit BarScale(std::int64_t length)
    {
        while ((length >> shift_) > INT_MAX)
            ++shift_;
    }
    [[nodiscard]] int operator()(std::int64_t bytes) const { return static_cast<int>(bytes >> shift_); }

private:
    int shift_ = 0;
};

// The system copies a file's cached pages fastest into memory that starts
// on a page, as the pages themselves do: a block is 25 whole pages.
struct alignas(4096) Block {
    char bytes[kBlockLength];
};

// How much the system is asked to read ahead of the comparison in one run:
// more than most devices take in one request (1,280 KiB on many), so that
// each request is as long as the device allows, and little enough to wait for
// where the system cannot start the run in the background. A file no longer
// than this takes only a few requests anyway.
constexpr std::size_t kReadAheadRun = std::size_t{2} << 20;

// How long a read may wait for its device before the user is told.
constexpr std::chrono::seconds kNoticeAfter{1};

// While a read waits for its device: the user interface is serviced, a Stop
// ends the wait, and after a second the window says what it waits for.
class DeviceWait final : public WhileWaiting {
public:
    explicit DeviceWait(CompareProgress &progress) : progress_(progress) {}
    ~DeviceWait() override { Answered(); }
    DeviceWait(const DeviceWait &) = delete;
    DeviceWait &operator=(const DeviceWait &) = delete;

    bool GoOn(std::chrono::steady_clock::duration waited) override
    {
        progress_.ProcessEvents();
        if (CancelRequested == 1)
            return false;
        if (!noticed_ && waited >= kNoticeAfter) {
            noticed_ = true;
            progress_.WaitingForDevice(true);
        }
        return true;
    }

    void Answered() override
    {
        if (noticed_) {
            noticed_ = false;
            progress_.WaitingForDevice(false);
        }
    }

private:
    CompareProgress &progress_;
    bool noticed_ = false;
};

// False when the wait for it was given up.
bool ReadBlock(ReadOnlyFile &file, const std::shared_ptr<char> &buffer, std::int64_t length,
               std::int64_t offset, ReaderThread &reader)
{
    const std::optional<std::size_t> got =
        file.Read(buffer, static_cast<std::size_t>(length), offset, reader);
    if (got && *got != static_cast<std::size_t>(length))
        throw CompareError(kReadErrorMessage);
    return got.has_value();
}

// Some files give more than their size says (those of /proc say 0). A file
// read to its size must be at its end, or it was not compared whole. Nothing
// when the wait for it was given up.
std::optional<bool> AtEnd(ReadOnlyFile &file, const std::shared_ptr<char> &scratch, ReaderThread &reader)
{
    const std::optional<std::size_t> got = file.Read(scratch, 1, file.Size(), reader);
    if (!got)
        return std::nullopt;
    return *got == 0;
}

// The shared bytes of a block: the block lives as long as any read into it.
std::shared_ptr<char> Bytes(const std::shared_ptr<Block> &block)
{
    return {block, block->bytes};
}

} // namespace

std::int64_t FileSizeOf(const std::string &path)
{
    return ReadOnlyFile(path).Size();
}

bool CompareFiles(const std::string &source, const std::string &target, std::int64_t measuredSize,
                  CompareProgress &progress)
{
    bool result = false;
    CancelRequested = 0;

    ReadOnlyFile sourceFile(source);
    ReadOnlyFile targetFile(target);
    if (sourceFile.Size() != measuredSize || targetFile.Size() != measuredSize)
        throw CompareError(kReadErrorMessage);
    sourceFile.AdviseSequential();
    targetFile.AdviseSequential();

    const std::int64_t length = sourceFile.Size();
    std::int64_t blockSize = std::min(kBlockLength, length);
    const BarScale scale(length);
    progress.SetRange(0, scale(length));
    std::int64_t position = 0;

    // One pair of buffers for the whole call: memory stays at two blocks.
    // Every read is overwritten in full before it is compared. A read given
    // up on keeps its block until the system lets the read go.
    const std::shared_ptr<char> sourceBytes = Bytes(std::make_shared_for_overwrite<Block>());
    const std::shared_ptr<char> targetBytes = Bytes(std::make_shared_for_overwrite<Block>());
    // Gone before the files and the buffers: an idle thread is joined, one
    // still stuck in a read given up on is left to end by itself.
    DeviceWait waiting(progress);
    ReaderThread reader(waiting);

    // Read alternately in blocks, each file would reach a slow device in
    // small pieces, and the device would spend its time switching between
    // them. Both buffers are free until the first read.
    if (length > static_cast<std::int64_t>(kReadAheadRun)) {
        if (!sourceFile.StartReadingAhead(kReadAheadRun, sourceBytes, kBlockLength, reader) ||
            !targetFile.StartReadingAhead(kReadAheadRun, targetBytes, kBlockLength, reader))
            return false;
    }

    do {
        // The position is where the next block starts: blocks follow each
        // other from the start until one differs.
        if (!ReadBlock(sourceFile, sourceBytes, blockSize, position, reader) ||
            !ReadBlock(targetFile, targetBytes, blockSize, position, reader))
            return false;
        if (std::memcmp(sourceBytes.get(), targetBytes.get(), static_cast<std::size_t>(blockSize)) == 0) {
            progress.ProcessEvents();
            if (CancelRequested == 1)
                return false;
            if (sourceFile.WriterWaiting() || targetFile.WriterWaiting())
                throw CompareError(kReadErrorMessage);
            position += blockSize;
            if (position + blockSize > length)
                blockSize = length - position;
            progress.SetPosition(scale(position));
            if (position >= length)
                result = true;
        } else {
            position = length;
            progress.SetPosition(scale(length));
        }
    } while (position < length);

    const std::optional<bool> sourceChanged = sourceFile.ChangedSinceOpening(reader);
    if (!sourceChanged)
        return false;
    const std::optional<bool> targetChanged = targetFile.ChangedSinceOpening(reader);
    if (!targetChanged)
        return false;
    if (*sourceChanged || *targetChanged)
        throw CompareError(kReadErrorMessage);
    if (result) {
        const std::optional<bool> sourceEnds = AtEnd(sourceFile, sourceBytes, reader);
        if (!sourceEnds)
            return false;
        const std::optional<bool> targetEnds = AtEnd(targetFile, targetBytes, reader);
        if (!targetEnds)
            return false;
        if (!*sourceEnds || !*targetEnds)
            throw CompareError(kReadErrorMessage);
    }
    return result;
}

} // namespace mvx
