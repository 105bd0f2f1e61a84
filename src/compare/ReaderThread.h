// The thread that waits on a device for the comparison, so that the thread
// that runs the comparison, the window's own, never does: it waits in short
// slices and services the user interface between them.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>

namespace mvx {

// What the calling thread does while the reader thread works for it.
class WhileWaiting {
public:
    virtual ~WhileWaiting() = default;
    // After every slice of waiting, with the time waited so far; false gives
    // up the wait.
    virtual bool GoOn(std::chrono::steady_clock::duration waited) = 0;
    // Once work that took at least one slice has finished.
    virtual void Answered() = 0;
};

// Work for the reader thread. It shares in everything it touches (the
// descriptor, the buffer, where it puts its result), for it may outlive the
// call that gave up on it; the token tells it that nobody waits any more.
using ReaderWork = std::function<void(std::stop_token)>;

// One reader thread for one comparison, started at the first work and reused
// for all that follows.
class ReaderThread {
public:
    // How long the calling thread waits at a time.
    static constexpr std::chrono::milliseconds kSlice{25};

    explicit ReaderThread(WhileWaiting &waiting);
    // An idle thread ends and is joined. One whose work was given up is left
    // to end by itself once that work returns; it touches nothing but what
    // the work shares in.
    ~ReaderThread();
    ReaderThread(const ReaderThread &) = delete;
    ReaderThread &operator=(const ReaderThread &) = delete;

    // Starts the thread unless it runs already. Throws std::system_error when
    // the system has no thread to give.
    void Start();

    // Runs work on the thread and waits for it in slices. True once it has
    // finished (a failure that left it is thrown again here). False when
    // GoOn gave up: the work is asked to stop and runs on without anyone
    // waiting for it, and the thread takes no more work.
    bool Run(ReaderWork work);

private:
    struct State;
    static void Serve(const std::shared_ptr<State> &state);
    void GiveUp();

    WhileWaiting &waiting_;
    std::shared_ptr<State> state_;
    std::thread thread_;
};

// Starts body on a thread that takes none of the process's signals, so that
// Ctrl-C, SIGTERM and SIGHUP reach a thread that can act on them, never one
// that is stuck in a read.
std::thread StartQuietThread(std::function<void()> body);

} // namespace mvx
