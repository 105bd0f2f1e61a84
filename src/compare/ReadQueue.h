// The threads that wait on devices for a check, and the requests they read,
// so that the thread that runs the check, the window's own, never waits on a
// device: it waits in short slices and services the user interface between
// them. Two files are read ahead of their comparison in long requests, both
// at once where they lie on different devices, in long turns where they share
// one, so that a device neither waits for the program nor seeks between the
// two at every request; through the cache, both at once in shorter requests.
#pragma once

#include "compare/FileLayer.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <thread>

namespace mvx {

// What the thread that waits for the queue does meanwhile.
class Waiting {
public:
    virtual ~Waiting() = default;
    // After every slice of a wait, with the time waited so far.
    virtual void Slice(std::chrono::steady_clock::duration waited) = 0;
    // Once a wait that took at least one slice has ended.
    virtual void Answered() = 0;
};

class ReadQueue {
public:
    // The requests of one file that are in flight or wait to be compared:
    // all the memory it is read into.
    static constexpr int kDepth = 3;
    static constexpr std::chrono::milliseconds kSlice{25};

    // stop: the check's one stop request. Once it is made, every wait here
    // ends, no new work starts, and each read that the system lets go of is
    // given up.
    explicit ReadQueue(std::stop_token stop);
    // Idle threads end. A thread inside a file operation ends when the
    // operation returns, keeping until then only its own file and memory.
    ~ReadQueue();
    ReadQueue(const ReadQueue &) = delete;
    ReadQueue &operator=(const ReadQueue &) = delete;

    [[nodiscard]] bool Stopped() const { return stop_.stop_requested(); }

    // Runs work on a reader thread and waits for it (on one of the queue's
    // own, runs it there). False once the check was stopped: nobody waits for
    // the work any more. A failure that left the work is thrown again here.
    bool Run(std::function<void(const std::stop_token &)> work, Waiting &waiting);

    // Starts work on a reader thread, one of its own when none is free; done
    // runs under the queue's lock once the work has ended, with the failure
    // that left it, if any. Nothing starts once stopped.
    void Start(std::function<void(const std::stop_token &)> work,
               std::function<void(const std::exception_ptr &)> done);
    // Waits in slices until done(), asked under the queue's lock, is true.
    // False once stopped.
    bool WaitUntil(const std::function<bool()> &done, Waiting &waiting);

    // What one request brought of a file.
    struct Piece {
        const char *bytes = nullptr;
        std::size_t length = 0;
    };
    struct Pieces {
        std::int64_t offset = 0;
        Piece source;
        Piece target;
    };

    // Two files read ahead of their comparison, a request of each at a time.
    class PairReads {
    public:
        // Asks for no more. A read still in flight keeps its own file open,
        // and its memory, until it ends.
        ~PairReads();
        PairReads(PairReads &&) noexcept = default;
        PairReads &operator=(PairReads &&) = delete;

        // The bytes that each request asks for, the last one's aside.
        [[nodiscard]] std::int64_t RequestLength() const;
        // The next request of both files, from the start on, once both are
        // in; the one before is given back. Nothing once stopped. Throws
        // FileError when a read failed.
        std::optional<Pieces> Next(Waiting &waiting);
        // Asks for no more and waits for the reads in flight, so that the
        // files are closed once their last share goes.
        void Finish(Waiting &waiting);

    private:
        friend class ReadQueue;
        struct State;
        PairReads(ReadQueue &queue, std::shared_ptr<State> state);

        ReadQueue &queue_;
        std::shared_ptr<State> state_;
        std::int64_t next_ = 0;
    };

    // The memory that reading two files ahead takes.
    [[nodiscard]] static std::size_t MemoryFor(std::optional<std::int64_t> length, ReadPath readPath);

    // length: the size both files have; nothing when each is read to its end.
    PairReads ReadAhead(std::shared_ptr<ReadOnlyFile> source, std::shared_ptr<ReadOnlyFile> target,
                        std::optional<std::int64_t> length, ReadPath readPath);

private:
    struct Core;

    std::stop_token stop_;
    std::shared_ptr<Core> core_;
};

// Starts body on a thread that takes none of the process's signals, so that
// Ctrl-C, SIGTERM and SIGHUP reach a thread that can act on them, never one
// that is stuck in a read.
std::thread StartQuietThread(std::function<void()> body);

} // namespace mvx
