#include "compare/Compare.h"

#include "compare/CompareError.h"
#include "compare/ReadAhead.h"
#include "compare/Reader.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>

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

// How long a file operation may wait for its device before the user is told.
constexpr std::chrono::seconds kNoticeAfter{1};

// While a file operation waits for its device: the user interface is
// serviced, a Stop ends the wait, and after a second the window says what it
// waits for.
class DeviceWait final : public WhileWaiting {
public:
    explicit DeviceWait(CompareProgress &progress) : progress_(progress) {}
    ~DeviceWait() override { Answered(); }
    DeviceWait(const DeviceWait &) = delete;
    DeviceWait &operator=(const DeviceWait &) = delete;

    bool GoOn(std::chrono::steady_clock::duration waited) override
    {
        progress_.ProcessEventsWhileWaiting();
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

[[noreturn]] void ReadError()
{
    throw CompareError(kReadErrorMessage);
}

} // namespace

FilePair::FilePair(ReadPath readPath) : readPath_(readPath), reader_(std::make_unique<Reader>()) {}

FilePair::~FilePair() = default;

FilePair::Opening FilePair::Open(const std::string &source, const std::string &target,
                                 CompareProgress &progress)
{
    CancelRequested = 0;
    struct Found {
        Opening opening = Opening::Opened;
        std::shared_ptr<ReadOnlyFile> source;
        std::shared_ptr<ReadOnlyFile> target;
    };
    const auto found = std::make_shared<Found>();
    DeviceWait waiting(progress);
    const bool answered = reader_->Run(
        [found, source, target, readPath = readPath_](const std::stop_token &stop) {
            GiveUpOnStop(stop, [&] {
                if (!IsExistingFile(source))
                    found->opening = Opening::NoSource;
                else if (!IsExistingFile(target))
                    found->opening = Opening::NoTarget;
                else {
                    found->source = std::make_shared<ReadOnlyFile>(source, readPath);
                    found->target = std::make_shared<ReadOnlyFile>(target, readPath);
                }
            });
        },
        waiting);
    if (!answered)
        return Opening::Stopped;
    source_ = found->source;
    target_ = found->target;
    return found->opening;
}

bool FilePair::SizesDiffer() const
{
    const std::int64_t source = source_->Size();
    const std::int64_t target = target_->Size();
    return source != target && source != 0 && target != 0;
}

bool FilePair::CompareFiles(CompareProgress &progress)
{
    bool result = false;
    // With a size on both sides, the blocks follow the size, and each file
    // must end exactly there; a file whose size reads 0 is compared to its
    // end, and the bar runs as far as the other's size.
    const bool toEnd = source_->Size() == 0 || target_->Size() == 0;
    const std::int64_t length = std::max(source_->Size(), target_->Size());
    const BarScale scale(length);
    progress.SetLength(length);
    progress.SetRange(0, scale(length));
    std::int64_t position = 0;
    std::int64_t blockSize = std::min(kBlockLength, length);

    DeviceWait waiting(progress);
    ReadAhead ahead(source_, target_, toEnd ? std::nullopt : std::optional(length), readPath_, *reader_);
    const std::int64_t requestLength = ahead.RequestLength();
    // Once the outcome is known, reads still in flight ahead of it are waited
    // for as any read is, so that both files are closed when this returns. A
    // stop leaves them to end by themselves.
    const auto settled = [&](bool outcome) {
        ahead.Settle(waiting);
        return outcome;
    };
    std::optional<ReadAhead::Pieces> pieces;
    bool ended = false;
    try {
        do {
            // The position is where the next block starts: blocks follow each
            // other from the start until one differs, each inside a request.
            if (!pieces || position >= pieces->offset + requestLength) {
                pieces = ahead.Next(waiting);
                if (!pieces)
                    return false;
            }
            const auto at = static_cast<std::size_t>(position - pieces->offset);
            const std::size_t shorter = std::min(pieces->source.length, pieces->target.length);
            if (toEnd)
                blockSize = static_cast<std::int64_t>(std::min<std::size_t>(kBlockLength, shorter - at));
            else if (shorter < at + static_cast<std::size_t>(blockSize))
                ReadError(); // a file that ends before its size
            const char *sourceBytes = pieces->source.bytes + at;
            const char *targetBytes = pieces->target.bytes + at;
            const auto size = static_cast<std::size_t>(blockSize);
            if (std::memcmp(sourceBytes, targetBytes, size) == 0) {
                progress.ProcessEvents();
                if (CancelRequested == 1)
                    return false;
                if (source_->WriterWaiting() || target_->WriterWaiting())
                    ReadError();
                position += blockSize;
                if (!toEnd && position + blockSize > length)
                    blockSize = length - position;
                progress.SetPosition(scale(std::min(position, length)));
                // Read to its end, a file ends at a request that falls short;
                // two that end in different places differ there.
                ended = toEnd ? at + size == shorter && static_cast<std::int64_t>(shorter) < requestLength
                              : position >= length;
                const bool sameEnd = !toEnd || pieces->source.length == pieces->target.length;
                if (ended && sameEnd)
                    result = true;
                else if (ended)
                    firstDifference_ = position;
            } else {
                firstDifference_ =
                    position +
                    (std::mismatch(sourceBytes, sourceBytes + size, targetBytes).first - sourceBytes);
                ended = true;
            }
            if (ended && !result)
                progress.SetPosition(scale(length));
        } while (!ended);

        // Where the size says a file ends, it must end: the request that
        // holds the end asked for more.
        if (result && !toEnd) {
            if (position >= pieces->offset + requestLength) {
                pieces = ahead.Next(waiting);
                if (!pieces)
                    return false;
            }
            const auto atEnd = static_cast<std::size_t>(length - pieces->offset);
            if (pieces->source.length != atEnd || pieces->target.length != atEnd)
                ReadError();
        }
        if (source_->WriterWaiting() || target_->WriterWaiting())
            ReadError();
        const auto changed = std::make_shared<bool>(false);
        if (!reader_->Run(
                [changed, source = source_, target = target_](const std::stop_token &) {
                    *changed = source->ChangedSinceOpening() || target->ChangedSinceOpening();
                },
                waiting))
            return false;
        if (*changed)
            ReadError();
    } catch (...) {
        settled(false);
        throw;
    }
    return settled(result);
}

} // namespace mvx
