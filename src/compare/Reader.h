// The threads that wait on devices for a check, so that the thread that runs
// it, the window's own, never does: that thread waits in short slices and
// services the user interface between them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

namespace mvx {

// What the waiting thread does while the reader's threads work for it.
class WhileWaiting {
public:
    virtual ~WhileWaiting() = default;
    // After every slice of waiting, with the time waited so far; false gives
    // up the wait.
    virtual bool GoOn(std::chrono::steady_clock::duration waited) = 0;
    // Once a wait that took at least one slice has ended.
    virtual void Answered() = 0;
};

// Work for a reader thread, and what it tells once done (with the failure
// that left it, if any) under the reader's lock. The work shares in
// everything it touches, for it may outlive the check that gave up on it;
// the token tells it that nobody waits any more.
using ReaderWork = std::function<void(const std::stop_token &)>;
using ReaderTell = std::function<void(const std::exception_ptr &)>;

// The threads' side: shared by the reader and its threads, which hold on to
// it after the reader has gone.
class ReaderPool {
public:
    std::mutex mutex;
    // Queues work for the next free thread; the lock must be held.
    void Post(ReaderWork work, ReaderTell tell);

private:
    friend class Reader;
    static void Serve(const std::shared_ptr<ReaderPool> &pool);

    struct Job {
        ReaderWork work;
        ReaderTell tell;
    };
    std::condition_variable workCame_;
    // Something that a wait may be waiting for has happened.
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    std::stop_source stop_;
    // Threads inside work.
    int busy_ = 0;
    bool quit_ = false;
};

class Reader {
public:
    static constexpr std::chrono::milliseconds kSlice{25};

    Reader();
    // Idle threads end and are joined. Whatever is still in flight is asked
    // to stop and left to end by itself: its thread ends once the work
    // returns.
    ~Reader();
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    // Starts threads until there are count, on the calling thread. Throws
    // std::system_error when the system has no thread to give.
    void Start(int count);
    [[nodiscard]] const std::shared_ptr<ReaderPool> &Pool() const { return pool_; }

    // Waits in slices until done(), asked with the lock held, is true. False
    // once the wait was given up: from then on nobody waits for what is in
    // flight, and every later wait is given up at once.
    bool WaitUntil(const std::function<bool()> &done, WhileWaiting &waiting);

    // Runs work on a thread of its own and waits for it; a failure that left
    // it is thrown again here.
    bool Run(ReaderWork work, WhileWaiting &waiting);

private:
    void GiveUp();

    std::shared_ptr<ReaderPool> pool_;
    std::vector<std::thread> threads_;
    bool givenUp_ = false;
};

// Starts body on a thread that takes none of the process's signals, so that
// Ctrl-C, SIGTERM and SIGHUP reach a thread that can act on them, never one
// that is stuck in a read.
std::thread StartQuietThread(std::function<void()> body);

} // namespace mvx
