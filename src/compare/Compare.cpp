#include "compare/Compare.h"

#include "compare/CompareError.h"
#include "compare/FileLayer.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

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

// Some files give more than their size says (those of /proc say 0). A file
// read to its size must be at its end, or it was not compared whole.
bool AtEnd(ReadOnlyFile &file)
{
    char beyond = 0;
    return file.Read(&beyond, 1) == 0;
}

void ReadBlock(ReadOnlyFile &file, char *buffer, std::int64_t length)
{
    const auto wanted = static_cast<std::size_t>(length);
    if (file.Read(buffer, wanted) != wanted)
        throw CompareError(kReadErrorMessage);
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
    // Every read is overwritten in full before it is compared.
    const auto sourceBlock = std::make_unique_for_overwrite<Block>();
    const auto targetBlock = std::make_unique_for_overwrite<Block>();

    // Read alternately in blocks, each file would reach a slow device in
    // small pieces, and the device would spend its time switching between
    // them. Both buffers are free until the first read.
    if (length > static_cast<std::int64_t>(kReadAheadRun)) {
        sourceFile.StartReadingAhead(kReadAheadRun, sourceBlock->bytes, kBlockLength);
        targetFile.StartReadingAhead(kReadAheadRun, targetBlock->bytes, kBlockLength);
    }

    do {
        ReadBlock(sourceFile, sourceBlock->bytes, blockSize);
        ReadBlock(targetFile, targetBlock->bytes, blockSize);
        if (std::memcmp(sourceBlock->bytes, targetBlock->bytes, static_cast<std::size_t>(blockSize)) == 0) {
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

    if (sourceFile.ChangedSinceOpening() || targetFile.ChangedSinceOpening())
        throw CompareError(kReadErrorMessage);
    if (result && (!AtEnd(sourceFile) || !AtEnd(targetFile)))
        throw CompareError(kReadErrorMessage);
    return result;
}

} // namespace mvx
