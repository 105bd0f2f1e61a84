#include "compare/ReadAhead.h"

#include <algorithm>
#include <array>
#include <exception>

namespace mvx {

namespace {

constexpr int kFiles = 2;

std::size_t RoundUp(std::size_t bytes, std::size_t unit)
{
    return (bytes + unit - 1) / unit * unit;
}

} // namespace

struct ReadAhead::State {
    struct Slot {
        std::int64_t request = -1;
        bool done = false;
        std::size_t got = 0;
        std::exception_ptr failure;
    };
    struct File {
        std::shared_ptr<ReadOnlyFile> file;
        std::int64_t asked = 0;
        int inFlight = 0;
        // The request that sees the file's end, once known.
        std::optional<std::int64_t> last;
        std::array<Slot, kRequestsPerFile> slots;
    };

    std::shared_ptr<ReaderPool> pool;
    std::shared_ptr<char> memory;
    std::array<File, kFiles> files;
    std::optional<std::int64_t> length;
    std::int64_t requestLength = static_cast<std::int64_t>(kRequestLength);
    bool oneDevice = false;
    int turn = 0;
    // Requests before this one have been compared: their memory is free.
    std::int64_t givenBack = 0;
    bool settling = false;

    [[nodiscard]] char *Memory(int which, std::int64_t request) const
    {
        const auto slot =
            static_cast<std::size_t>(std::int64_t{which} * kRequestsPerFile + request % kRequestsPerFile);
        return memory.get() + slot * kRequestMemory;
    }
    [[nodiscard]] Slot &SlotOf(int which, std::int64_t request)
    {
        return files.at(which).slots.at(static_cast<std::size_t>(request % kRequestsPerFile));
    }
    [[nodiscard]] bool MayAsk(int which) const
    {
        const File &f = files.at(which);
        return !settling && f.asked < givenBack + kRequestsPerFile && (!f.last || f.asked <= *f.last);
    }
    // The request has come, or lies past the end and brings nothing.
    [[nodiscard]] bool In(int which, std::int64_t request)
    {
        const File &f = files.at(which);
        const Slot &slot = SlotOf(which, request);
        return (f.last && request > *f.last) || (slot.request == request && slot.done);
    }

    // All with the reader's lock held.
    void Schedule(const std::shared_ptr<State> &self);
    void Ask(const std::shared_ptr<State> &self, int which);
    void Told(const std::shared_ptr<State> &self, int which, std::int64_t request,
              const std::exception_ptr &failure);
};

void ReadAhead::State::Schedule(const std::shared_ptr<State> &self)
{
    if (!oneDevice) {
        for (int which = 0; which < kFiles; ++which)
            while (MayAsk(which))
                Ask(self, which);
        return;
    }
    // One device: a file's turn lasts until its memory is full and its
    // requests are in; the other's then begins.
    if (!MayAsk(turn)) {
        if (files.at(turn).inFlight > 0)
            return;
        turn = 1 - turn;
    }
    while (MayAsk(turn))
        Ask(self, turn);
}

void ReadAhead::State::Ask(const std::shared_ptr<State> &self, int which)
{
    File &f = files.at(which);
    const std::int64_t request = f.asked++;
    const std::int64_t offset = request * requestLength;
    auto asked = static_cast<std::size_t>(requestLength);
    // The request that holds the end asks for more than the file's size, so
    // that a file that goes on past its size is seen.
    if (length && *length - offset < requestLength)
        asked = RoundUp(static_cast<std::size_t>(*length - offset) + 1, f.file->Unit());
    SlotOf(which, request) = {request, false, 0, nullptr};
    ++f.inFlight;
    pool->Post(
        [self, which, request, offset, asked, file = f.file](const std::stop_token &stop) {
            // Only this thread touches the count until the request is told done.
            self->SlotOf(which, request).got =
                file->ReadAt(self->Memory(which, request), asked, offset, stop);
        },
        [self, which, request](const std::exception_ptr &failure) {
            self->Told(self, which, request, failure);
        });
}

void ReadAhead::State::Told(const std::shared_ptr<State> &self, int which, std::int64_t request,
                            const std::exception_ptr &failure)
{
    File &f = files.at(which);
    Slot &slot = SlotOf(which, request);
    slot.done = true;
    slot.failure = failure;
    --f.inFlight;
    if (!length && !failure && static_cast<std::int64_t>(slot.got) < requestLength)
        f.last = std::min(f.last.value_or(request), request);
    Schedule(self);
}

ReadAhead::ReadAhead(std::shared_ptr<ReadOnlyFile> source, std::shared_ptr<ReadOnlyFile> target,
                     std::optional<std::int64_t> length, ReadPath readPath, Reader &reader)
    : state_(std::make_shared<State>()), reader_(reader)
{
    State &s = *state_;
    s.pool = reader.Pool();
    s.length = length;
    if (readPath == ReadPath::Cache)
        s.requestLength = static_cast<std::int64_t>(kCachedRequestLength);
    // Memory serves what is read through the cache: turns would only keep
    // the comparison waiting.
    s.oneDevice = readPath == ReadPath::Device && source->SharesDeviceWith(*target);
    s.files[0].file = std::move(source);
    s.files[1].file = std::move(target);
    // A file of known size needs no more requests than it has.
    int perFile = kRequestsPerFile;
    if (length) {
        for (State::File &f : s.files)
            f.last = *length / s.requestLength;
        perFile = static_cast<int>(std::min<std::int64_t>(kRequestsPerFile, *s.files[0].last + 1));
    }
    s.memory = RequestMemory(std::size_t{kFiles} * kRequestsPerFile);
    reader.Start(s.oneDevice ? perFile : kFiles * perFile);
}

ReadAhead::~ReadAhead()
{
    const std::lock_guard lock(state_->pool->mutex);
    state_->settling = true;
    for (State::File &f : state_->files)
        f.file.reset();
}

std::int64_t ReadAhead::RequestLength() const
{
    return state_->requestLength;
}

std::optional<ReadAhead::Pieces> ReadAhead::Next(WhileWaiting &waiting)
{
    const std::int64_t request = next_++;
    State &s = *state_;
    {
        const std::lock_guard lock(s.pool->mutex);
        s.givenBack = request;
        s.Schedule(state_);
    }
    Pieces pieces;
    pieces.offset = request * s.requestLength;
    pieces.source.bytes = s.Memory(0, request);
    pieces.target.bytes = s.Memory(1, request);
    std::exception_ptr failure;
    // Taken while the lock is held, when both are in.
    const auto in = [&] {
        if (!s.In(0, request) || !s.In(1, request))
            return false;
        for (int which = 0; which < kFiles; ++which) {
            const std::optional<std::int64_t> &last = s.files.at(which).last;
            const State::Slot &slot = s.SlotOf(which, request);
            const bool past = last && request > *last;
            (which == 0 ? pieces.source : pieces.target).length = past ? 0 : slot.got;
            if (!past && slot.failure && !failure)
                failure = slot.failure;
        }
        return true;
    };
    if (!reader_.WaitUntil(in, waiting))
        return std::nullopt;
    if (failure)
        std::rethrow_exception(failure);
    return pieces;
}

bool ReadAhead::Settle(WhileWaiting &waiting)
{
    State &s = *state_;
    {
        const std::lock_guard lock(s.pool->mutex);
        s.settling = true;
    }
    return reader_.WaitUntil([&] { return s.files[0].inFlight == 0 && s.files[1].inFlight == 0; }, waiting);
}

} // namespace mvx
