#include "compare/Compare.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace mvx {

namespace {

// How long a file operation may wait for its device before the user is told.
constexpr std::chrono::seconds kNoticeAfter{1};

// While a file operation waits for its device: the user interface is
// serviced, and after a second the window says what it waits for.
class DeviceWait final : public Waiting {
public:
    explicit DeviceWait(CompareProgress &progress) : progress_(progress) {}
    ~DeviceWait() override { Answered(); }
    DeviceWait(const DeviceWait &) = delete;
    DeviceWait &operator=(const DeviceWait &) = delete;

    void Slice(std::chrono::steady_clock::duration waited) override
    {
        progress_.ProcessEventsWhileWaiting();
        if (!noticed_ && waited >= kNoticeAfter) {
            noticed_ = true;
            progress_.WaitingForDevice(true);
        }
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

} // namespace

// One comparison's way through the two files, block by block: the position
// is where the next block starts, inside the request at hand.
class FilePair::Run {
public:
    Run(FilePair &pair, CompareProgress &progress)
        : pair_(pair), progress_(progress), waiting_(progress),
          length_(pair.source_->Length() && pair.target_->Length() ? pair.source_->Length() : std::nullopt),
          total_(std::max(pair.source_->Size(), pair.target_->Size())),
          reads_(pair.queue_.ReadAhead(pair.source_, pair.target_, length_, pair.readPath_))
    {}

    Verdict Compare()
    {
        progress_.Progress(0, total_);
        Verdict verdict = Verdict::Stopped;
        try {
            verdict = Blocks();
        } catch (...) {
            reads_.Finish(waiting_);
            throw;
        }
        if (verdict == Verdict::Stopped)
            return verdict;
        // Reads still in flight ahead of the outcome are waited for as any
        // read is, so that both files are closed when this returns.
        reads_.Finish(waiting_);
        // A difference is about the files read too: the paths must still
        // name them, unchanged, for either verdict.
        return Recheck() ? verdict : Verdict::Stopped;
    }

private:
    Verdict Blocks()
    {
        for (;;) {
            if (!NextRequestIfDue())
                return Verdict::Stopped;
            const auto at = static_cast<std::size_t>(position_ - pieces_->offset);
            const std::size_t shorter = std::min(pieces_->source.length, pieces_->target.length);
            const auto block = static_cast<std::size_t>(
                length_ ? std::min(kBlockLength, *length_ - position_)
                        : std::min(kBlockLength, static_cast<std::int64_t>(shorter - at)));
            if (length_)
                EndsNoSooner(at + block);
            const char *source = pieces_->source.bytes + at;
            const char *target = pieces_->target.bytes + at;
            if (std::memcmp(source, target, block) != 0)
                return Differ(position_ + (std::mismatch(source, source + block, target).first - source));
            progress_.ProcessEvents();
            if (pair_.queue_.Stopped())
                return Verdict::Stopped;
            NoWriterWaits();
            position_ += static_cast<std::int64_t>(block);
            progress_.Progress(std::min(position_, total_), total_);
            if (length_ && position_ >= *length_)
                return EndsThere() ? Verdict::Identical : Verdict::Stopped;
            // Read to its end, a file ends at a request that falls short; two
            // that end in different places differ there.
            if (!length_ && at + block == shorter &&
                static_cast<std::int64_t>(shorter) < reads_.RequestLength())
                return pieces_->source.length == pieces_->target.length ? Verdict::Identical
                                                                        : Differ(position_);
        }
    }

    // The request that holds the position; false when stopped.
    bool NextRequestIfDue()
    {
        if (!pieces_ || position_ >= pieces_->offset + reads_.RequestLength())
            pieces_ = reads_.Next(waiting_);
        return pieces_.has_value();
    }

    Verdict Differ(std::int64_t at)
    {
        pair_.firstDifference_ = at;
        progress_.Progress(total_, total_);
        return Verdict::Different;
    }

    // A writer that asked for either file meanwhile may have changed what was
    // read of it.
    void NoWriterWaits() const
    {
        for (ReadOnlyFile *file : {pair_.source_.get(), pair_.target_.get()})
            if (file->WriterWaiting())
                Fail(file->Path(), FileStep::Recheck);
    }

    // A file that ends before its size gave fewer bytes than it promised.
    void EndsNoSooner(std::size_t end) const
    {
        if (pieces_->source.length < end)
            Fail(pair_.source_->Path(), FileStep::Read);
        if (pieces_->target.length < end)
            Fail(pair_.target_->Path(), FileStep::Read);
    }

    // Where the size says a file ends, it must end: the request that holds
    // the end asked for more. False when stopped.
    bool EndsThere()
    {
        if (!NextRequestIfDue())
            return false;
        const auto end = static_cast<std::size_t>(*length_ - pieces_->offset);
        if (pieces_->source.length != end)
            Fail(pair_.source_->Path(), FileStep::Read);
        if (pieces_->target.length != end)
            Fail(pair_.target_->Path(), FileStep::Read);
        return true;
    }

    // Both files are still what was read, untouched by writers, and still
    // named by their paths. False when stopped.
    bool Recheck()
    {
        NoWriterWaits();
        auto changed = std::make_shared<std::shared_ptr<ReadOnlyFile>>();
        if (!pair_.queue_.Run(
                [changed, source = pair_.source_, target = pair_.target_](const std::stop_token &) {
                    if (source->ChangedSinceOpening())
                        *changed = source;
                    else if (target->ChangedSinceOpening())
                        *changed = target;
                },
                waiting_))
            return false;
        if (*changed)
            Fail((*changed)->Path(), FileStep::Recheck);
        return true;
    }

    FilePair &pair_;
    CompareProgress &progress_;
    DeviceWait waiting_;
    // The size both files have; nothing when each is read to its end.
    std::optional<std::int64_t> length_;
    std::int64_t total_;
    ReadQueue::PairReads reads_;
    std::optional<ReadQueue::Pieces> pieces_;
    std::int64_t position_ = 0;
};

FilePair::FilePair(ReadQueue &queue, ReadPath readPath) : queue_(queue), readPath_(readPath) {}

FilePair::FilePair(ReadQueue &queue, ReadPath readPath, std::shared_ptr<ReadOnlyFile> source,
                   std::shared_ptr<ReadOnlyFile> target)
    : queue_(queue), readPath_(readPath), source_(std::move(source)), target_(std::move(target))
{}

FilePair::Opening FilePair::Open(const std::string &source, const std::string &target,
                                 CompareProgress &progress)
{
    struct Found {
        Opening opening = Opening::Opened;
        std::shared_ptr<ReadOnlyFile> source;
        std::shared_ptr<ReadOnlyFile> target;
    };
    const auto found = std::make_shared<Found>();
    DeviceWait waiting(progress);
    // Each step looks at the stop first: once nobody waits, nothing more is
    // looked up or opened.
    const bool answered = queue_.Run(
        [found, source, target, readPath = readPath_](const std::stop_token &stop) {
            RunCancellable(stop, [&] {
                if (!IsExistingFile(source))
                    found->opening = Opening::NoSource;
                else if (!stop.stop_requested() && !IsExistingFile(target))
                    found->opening = Opening::NoTarget;
                else if (!stop.stop_requested())
                    found->source = std::make_shared<ReadOnlyFile>(source, readPath);
                if (found->source && !stop.stop_requested())
                    found->target = std::make_shared<ReadOnlyFile>(target, readPath);
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
    const std::optional<std::int64_t> source = source_->Length();
    const std::optional<std::int64_t> target = target_->Length();
    return source && target && *source != *target;
}

FilePair::Verdict FilePair::CompareFiles(CompareProgress &progress)
{
    firstDifference_.reset();
    return Run(*this, progress).Compare();
}

} // namespace mvx
