#include "compare/ReaderThread.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <utility>

namespace mvx {

// Shared by the caller and the thread: a thread that was given up holds on to
// it after the ReaderThread has gone.
struct ReaderThread::State {
    std::mutex mutex;
    std::condition_variable workCame;
    std::condition_variable workDone;
    ReaderWork work;
    std::exception_ptr failure;
    bool finished = false;
    bool givenUp = false;
    bool quit = false;
    std::stop_source stop;
};

void ReaderThread::Serve(const std::shared_ptr<State> &state)
{
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->workCame.wait(lock, [&] { return state->work || state->quit; });
        if (!state->work)
            return;
        ReaderWork work = std::exchange(state->work, nullptr);
        const std::stop_token token = state->stop.get_token();
        lock.unlock();
        std::exception_ptr failure;
        try {
            work(token);
        } catch (...) {
            failure = std::current_exception();
        }
        // Its shares go before the caller hears of the end: a file that the
        // caller closes next is closed then, not whenever this thread gets
        // round to it.
        work = nullptr;
        lock.lock();
        state->failure = failure;
        state->finished = true;
        state->workDone.notify_one();
        if (state->givenUp)
            return;
    }
}

ReaderThread::ReaderThread(WhileWaiting &waiting) : waiting_(waiting), state_(std::make_shared<State>()) {}

ReaderThread::~ReaderThread()
{
    if (!thread_.joinable())
        return;
    bool givenUp = false;
    {
        const std::lock_guard lock(state_->mutex);
        state_->quit = true;
        givenUp = state_->givenUp;
    }
    state_->workCame.notify_one();
    if (givenUp)
        thread_.detach();
    else
        thread_.join();
}

void ReaderThread::Start()
{
    if (!thread_.joinable())
        thread_ = StartQuietThread([state = state_] { Serve(state); });
}

bool ReaderThread::Run(ReaderWork work)
{
    Start();
    {
        const std::lock_guard lock(state_->mutex);
        if (state_->givenUp)
            return false;
        state_->work = std::move(work);
        state_->finished = false;
    }
    state_->workCame.notify_one();

    const auto start = std::chrono::steady_clock::now();
    bool waited = false;
    std::unique_lock lock(state_->mutex);
    while (!state_->workDone.wait_for(lock, kSlice, [this] { return state_->finished; })) {
        lock.unlock();
        waited = true;
        bool goOn = false;
        try {
            goOn = waiting_.GoOn(std::chrono::steady_clock::now() - start);
        } catch (...) {
            GiveUp();
            throw;
        }
        if (!goOn) {
            GiveUp();
            return false;
        }
        lock.lock();
    }
    const std::exception_ptr failure = std::exchange(state_->failure, nullptr);
    lock.unlock();
    if (waited)
        waiting_.Answered();
    if (failure)
        std::rethrow_exception(failure);
    return true;
}

void ReaderThread::GiveUp()
{
    {
        const std::lock_guard lock(state_->mutex);
        state_->givenUp = true;
    }
    // On the calling thread: whatever the work set up to be cancelled with
    // (an overlapped read) is cancelled before this returns.
    state_->stop.request_stop();
}

} // namespace mvx
