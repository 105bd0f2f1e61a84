#include "compare/ReadQueue.h"

#include <algorithm>
#include <bit>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <utility>
#include <vector>

namespace mvx {

namespace {

constexpr int kFiles = 2;

// Set on the queue's own threads.
thread_local bool onReaderThread = false;

std::size_t RoundUp(std::size_t bytes, std::size_t unit)
{
    return (bytes + unit - 1) / unit * unit;
}

} // namespace

// Shared by the queue and its threads, which hold on to it after the queue
// has gone.
struct ReadQueue::Core {
    using Work = std::function<void(const std::stop_token &)>;
    using Tell = std::function<void(const std::exception_ptr &)>;
    struct Job {
        Work work;
        Tell tell;
    };

    explicit Core(std::stop_token token) : stop(std::move(token)) {}

    // Queues work for a free thread, starting one when none is free; tell
    // runs under the lock once the work has ended. The lock must be held.
    void Post(const std::shared_ptr<Core> &self, Work work, Tell tell)
    {
        if (stop.stop_requested())
            return;
        jobs.push_back({std::move(work), std::move(tell)});
        if (static_cast<int>(jobs.size()) > idle) {
            ++idle;
            threads.push_back(StartQuietThread([self] { Serve(self); }));
        }
        workCame.notify_one();
    }

    static void Serve(const std::shared_ptr<Core> &core)
    {
        onReaderThread = true;
        std::unique_lock lock(core->mutex);
        for (;;) {
            // A stop ends the wait too: nothing more is started after it.
            core->workCame.wait(lock, core->stop, [&] { return !core->jobs.empty() || core->closed; });
            if (core->jobs.empty() || core->stop.stop_requested()) {
                --core->idle;
                return;
            }
            Job job = std::move(core->jobs.front());
            core->jobs.pop_front();
            --core->idle;
            lock.unlock();
            std::exception_ptr failure;
            try {
                job.work(core->stop);
            } catch (...) {
                failure = std::current_exception();
            }
            // Its shares go before the waiting thread hears of the end: a
            // file that it closes next is closed then.
            job.work = nullptr;
            lock.lock();
            ++core->idle;
            job.tell(failure);
            core->WakeWhoseWaitIsOver();
        }
    }

    // Only the waits that the news ends are woken: many threads may wait at
    // once (a tree's pairs each for their reads), and each read ends one.
    void WakeWhoseWaitIsOver()
    {
        for (Waiter *waiter : waiters)
            if (waiter->done())
                waiter->wake.notify_one();
    }

    // A wait, with what ends it, asked under the lock.
    struct Waiter {
        const std::function<bool()> &done;
        std::condition_variable wake;
    };

    // Memory of pairs that have been compared, kept for the next of the same
    // size: fresh memory is cleared by the system page by page, and given
    // back by every thread's processor.
    std::shared_ptr<char> Memory(const std::shared_ptr<Core> &self, std::size_t count, std::size_t slotBytes)
    {
        const std::size_t bytes = count * slotBytes;
        std::shared_ptr<char> memory;
        {
            const std::lock_guard lock(spareLock);
            const auto kept = std::find_if(spare.begin(), spare.end(),
                                           [&](const std::pair<std::size_t, std::shared_ptr<char>> &block) {
                                               return block.first == bytes;
                                           });
            if (kept != spare.end()) {
                memory = std::move(kept->second);
                spareBytes -= bytes;
                spare.erase(kept);
            }
        }
        if (!memory)
            memory = RequestMemory(count, slotBytes);
        // Given back to the queue, while it keeps no more than a few pairs' worth.
        char *at = memory.get();
        return {at, [self, memory = std::move(memory), bytes](char *) mutable {
                    const std::lock_guard lock(self->spareLock);
                    if (self->spareBytes + bytes <= kSpareBytes) {
                        self->spareBytes += bytes;
                        self->spare.emplace_back(bytes, std::move(memory));
                    }
                }};
    }

    static constexpr std::size_t kSpareBytes = std::size_t{8} << 20;

    std::mutex mutex;
    std::condition_variable_any workCame;
    std::vector<Waiter *> waiters;
    // Apart from the queue's lock, which may be held when memory is given back.
    std::mutex spareLock;
    std::vector<std::pair<std::size_t, std::shared_ptr<char>>> spare;
    std::size_t spareBytes = 0;
    std::deque<Job> jobs;
    std::stop_token stop;
    std::vector<std::thread> threads;
    // Threads that wait for work, or will once they have started.
    int idle = 0;
    // The queue has gone: no more work will come.
    bool closed = false;
};

ReadQueue::ReadQueue(std::stop_token stop) : stop_(stop), core_(std::make_shared<Core>(std::move(stop))) {}

ReadQueue::~ReadQueue()
{
    std::vector<std::thread> threads;
    bool busy = false;
    {
        const std::lock_guard lock(core_->mutex);
        core_->closed = true;
        core_->jobs.clear();
        busy = core_->idle < static_cast<int>(core_->threads.size());
        threads.swap(core_->threads);
    }
    core_->workCame.notify_all();
    // A thread stuck in a read is left to end by itself.
    for (std::thread &thread : threads) {
        if (busy)
            thread.detach();
        else
            thread.join();
    }
}

bool ReadQueue::WaitUntil(const std::function<bool()> &done, Waiting &waiting)
{
    const auto start = std::chrono::steady_clock::now();
    bool waited = false;
    std::unique_lock lock(core_->mutex);
    Core::Waiter waiter{done, {}};
    core_->waiters.push_back(&waiter);
    while (!Stopped() && !waiter.wake.wait_for(lock, kSlice, done)) {
        lock.unlock();
        waited = true;
        try {
            waiting.Slice(std::chrono::steady_clock::now() - start);
        } catch (...) {
            lock.lock();
            std::erase(core_->waiters, &waiter);
            throw;
        }
        lock.lock();
    }
    std::erase(core_->waiters, &waiter);
    lock.unlock();
    if (Stopped())
        return false;
    if (waited)
        waiting.Answered();
    return true;
}

void ReadQueue::Start(std::function<void(const std::stop_token &)> work,
                      std::function<void(const std::exception_ptr &)> done)
{
    const std::lock_guard lock(core_->mutex);
    core_->Post(core_, std::move(work), std::move(done));
}

bool ReadQueue::Run(std::function<void(const std::stop_token &)> work, Waiting &waiting)
{
    // Asked on a thread of the queue's, which no window waits for, the work
    // is done here.
    if (onReaderThread) {
        work(stop_);
        return !Stopped();
    }
    // Set once the work is done: to the failure that left it, or to none.
    auto outcome = std::make_shared<std::optional<std::exception_ptr>>();
    Start(std::move(work), [outcome](const std::exception_ptr &failure) { *outcome = failure; });
    if (!WaitUntil([&] { return outcome->has_value(); }, waiting))
        return false;
    if (**outcome)
        std::rethrow_exception(**outcome);
    return true;
}

namespace {

// How two files are read ahead: in requests of a length, so many of each in
// memory at once, in slots of so many bytes.
struct Layout {
    std::int64_t requestLength;
    int depth;
    std::size_t slotBytes;
};

Layout LayoutFor(std::optional<std::int64_t> length, ReadPath readPath)
{
    if (!length)
        return {static_cast<std::int64_t>(kToEndRequestLength), ReadQueue::kDepth,
                RoundUp(kToEndRequestLength, kLargestUnit)};
    // Through the cache, a request needs no more than its own length.
    const bool cached = readPath == ReadPath::Cache;
    const auto requestLength = static_cast<std::int64_t>(cached ? kCachedRequestLength : kRequestLength);
    const std::size_t whole = cached ? std::bit_ceil(kCachedRequestLength) : kRequestMemory;
    // A file of known size needs no more requests, nor memory, than it has.
    const std::int64_t last = *length / requestLength;
    const int depth = static_cast<int>(std::min<std::int64_t>(ReadQueue::kDepth, last + 1));
    // Small files' memory in powers of two, so that one pair's serves the next.
    const std::size_t slot =
        last == 0 ? std::bit_ceil(RoundUp(static_cast<std::size_t>(*length) + 1, kLargestUnit)) : whole;
    return {requestLength, depth, slot};
}

} // namespace

std::size_t ReadQueue::MemoryFor(std::optional<std::int64_t> length, ReadPath readPath)
{
    const Layout layout = LayoutFor(length, readPath);
    return std::size_t{kFiles} * static_cast<std::size_t>(layout.depth) * layout.slotBytes;
}

// Under the queue's lock throughout.
struct ReadQueue::PairReads::State {
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
        std::array<Slot, kDepth> slots;
    };

    std::shared_ptr<Core> core;
    std::array<File, kFiles> files;
    std::optional<std::int64_t> length;
    std::int64_t requestLength = 0;
    // Requests of a file in flight or waiting to be compared, and the
    // memory of each.
    int depth = kDepth;
    std::size_t slotBytes = kRequestMemory;
    std::shared_ptr<char> memory;
    bool oneDevice = false;
    int turn = 0;
    // Requests before this one have been compared: their memory is free.
    std::int64_t givenBack = 0;
    // Asks for no more.
    bool finished = false;

    [[nodiscard]] char *Memory(int which, std::int64_t request) const
    {
        const auto slot = static_cast<std::size_t>(std::int64_t{which} * depth + request % depth);
        return memory.get() + slot * slotBytes;
    }
    [[nodiscard]] Slot &SlotOf(int which, std::int64_t request)
    {
        return files.at(which).slots.at(static_cast<std::size_t>(request % depth));
    }
    [[nodiscard]] bool MayAsk(int which) const
    {
        const File &f = files.at(which);
        return !finished && f.asked < givenBack + depth && (!f.last || f.asked <= *f.last);
    }
    // The request lies past the file's end: it brings nothing.
    [[nodiscard]] bool Past(int which, std::int64_t request) const
    {
        const std::optional<std::int64_t> &last = files.at(which).last;
        return last && request > *last;
    }
    [[nodiscard]] bool In(int which, std::int64_t request)
    {
        const Slot &slot = SlotOf(which, request);
        return Past(which, request) || (slot.request == request && slot.done);
    }
    [[nodiscard]] Piece PieceOf(int which, std::int64_t request)
    {
        return {Memory(which, request), Past(which, request) ? 0 : SlotOf(which, request).got};
    }
    [[nodiscard]] std::exception_ptr FailureOf(int which, std::int64_t request)
    {
        return Past(which, request) ? nullptr : SlotOf(which, request).failure;
    }

    void Schedule(const std::shared_ptr<State> &self)
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

    void Ask(const std::shared_ptr<State> &self, int which)
    {
        File &f = files.at(which);
        const std::int64_t request = f.asked++;
        const std::int64_t offset = request * requestLength;
        auto asked = static_cast<std::size_t>(requestLength);
        // The request that holds the end asks for more than the file's size,
        // so that a file that goes on past its size is seen.
        if (length && *length - offset < requestLength)
            asked = RoundUp(static_cast<std::size_t>(*length - offset) + 1, f.file->Unit());
        SlotOf(which, request) = {request, false, 0, nullptr};
        ++f.inFlight;
        core->Post(
            core,
            [self, which, request, offset, asked, file = f.file](const std::stop_token &stop) {
                // Only this thread touches the count until the request is told done.
                self->SlotOf(which, request).got =
                    file->ReadAt(self->Memory(which, request), asked, offset, stop);
            },
            [self, which, request](const std::exception_ptr &failure) {
                self->Told(self, which, request, failure);
            });
    }

    void Told(const std::shared_ptr<State> &self, int which, std::int64_t request,
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
};

ReadQueue::PairReads ReadQueue::ReadAhead(std::shared_ptr<ReadOnlyFile> source,
                                          std::shared_ptr<ReadOnlyFile> target,
                                          std::optional<std::int64_t> length, ReadPath readPath)
{
    auto state = std::make_shared<PairReads::State>();
    PairReads::State &s = *state;
    s.core = core_;
    s.length = length;
    const Layout layout = LayoutFor(length, readPath);
    s.requestLength = layout.requestLength;
    s.depth = layout.depth;
    s.slotBytes = layout.slotBytes;
    // Memory serves what is read through the cache: turns would only keep
    // the comparison waiting.
    s.oneDevice = readPath == ReadPath::Device && source->SharesDeviceWith(*target);
    s.files[0].file = std::move(source);
    s.files[1].file = std::move(target);
    // A file of known size asks for no more requests than it has.
    if (length)
        for (PairReads::State::File &f : s.files)
            f.last = *length / s.requestLength;
    s.memory = core_->Memory(core_, std::size_t{kFiles} * static_cast<std::size_t>(s.depth), s.slotBytes);
    return {*this, std::move(state)};
}

ReadQueue::PairReads::PairReads(ReadQueue &queue, std::shared_ptr<State> state)
    : queue_(queue), state_(std::move(state))
{}

ReadQueue::PairReads::~PairReads()
{
    if (!state_)
        return;
    const std::lock_guard lock(queue_.core_->mutex);
    state_->finished = true;
    for (State::File &f : state_->files)
        f.file.reset();
}

std::int64_t ReadQueue::PairReads::RequestLength() const
{
    return state_->requestLength;
}

std::optional<ReadQueue::Pieces> ReadQueue::PairReads::Next(Waiting &waiting)
{
    const std::int64_t request = next_++;
    State &s = *state_;
    {
        const std::lock_guard lock(queue_.core_->mutex);
        s.givenBack = request;
        s.Schedule(state_);
    }
    Pieces pieces;
    pieces.offset = request * s.requestLength;
    std::exception_ptr failure;
    // Taken while the lock is held, when both are in.
    const auto in = [&] {
        if (!s.In(0, request) || !s.In(1, request))
            return false;
        pieces.source = s.PieceOf(0, request);
        pieces.target = s.PieceOf(1, request);
        failure = s.FailureOf(0, request) ? s.FailureOf(0, request) : s.FailureOf(1, request);
        return true;
    };
    if (!queue_.WaitUntil(in, waiting))
        return std::nullopt;
    if (failure)
        std::rethrow_exception(failure);
    return pieces;
}

void ReadQueue::PairReads::Finish(Waiting &waiting)
{
    State &s = *state_;
    {
        const std::lock_guard lock(queue_.core_->mutex);
        s.finished = true;
    }
    queue_.WaitUntil([&] { return s.files[0].inFlight == 0 && s.files[1].inFlight == 0; }, waiting);
}

} // namespace mvx
