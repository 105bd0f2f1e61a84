#include "compare/Reader.h"

#include <utility>

namespace mvx {

void ReaderPool::Post(ReaderWork work, ReaderTell tell)
{
    // Given up on: nothing more is started.
    if (stop_.stop_requested())
        return;
    jobs_.push_back({std::move(work), std::move(tell)});
    workCame_.notify_one();
}

void ReaderPool::Serve(const std::shared_ptr<ReaderPool> &pool)
{
    std::unique_lock lock(pool->mutex);
    for (;;) {
        pool->workCame_.wait(lock, [&] { return !pool->jobs_.empty() || pool->quit_; });
        if (pool->quit_)
            return;
        Job job = std::move(pool->jobs_.front());
        pool->jobs_.pop_front();
        const std::stop_token token = pool->stop_.get_token();
        ++pool->busy_;
        lock.unlock();
        std::exception_ptr failure;
        try {
            job.work(token);
        } catch (...) {
            failure = std::current_exception();
        }
        // Its shares go before the waiting thread hears of the end: a file
        // that it closes next is closed then, not whenever this thread gets
        // round to it.
        job.work = nullptr;
        lock.lock();
        --pool->busy_;
        if (!pool->quit_) {
            job.tell(failure);
            pool->changed_.notify_all();
        }
        job.tell = nullptr;
    }
}

Reader::Reader() : pool_(std::make_shared<ReaderPool>()) {}

Reader::~Reader()
{
    bool busy = false;
    {
        const std::lock_guard lock(pool_->mutex);
        pool_->quit_ = true;
        pool_->jobs_.clear();
        busy = pool_->busy_ > 0;
        // On this thread: whatever the work set up to be cancelled with (a
        // read or an open on Windows) is cancelled before this returns.
        pool_->stop_.request_stop();
    }
    pool_->workCame_.notify_all();
    for (std::thread &thread : threads_) {
        if (busy)
            thread.detach();
        else
            thread.join();
    }
}

void Reader::Start(int count)
{
    while (static_cast<int>(threads_.size()) < count)
        threads_.push_back(StartQuietThread([pool = pool_] { ReaderPool::Serve(pool); }));
}

bool Reader::WaitUntil(const std::function<bool()> &done, WhileWaiting &waiting)
{
    if (givenUp_)
        return false;
    const auto start = std::chrono::steady_clock::now();
    bool waited = false;
    std::unique_lock lock(pool_->mutex);
    while (!pool_->changed_.wait_for(lock, kSlice, done)) {
        lock.unlock();
        waited = true;
        bool goOn = false;
        try {
            goOn = waiting.GoOn(std::chrono::steady_clock::now() - start);
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
    lock.unlock();
    if (waited)
        waiting.Answered();
    return true;
}

bool Reader::Run(ReaderWork work, WhileWaiting &waiting)
{
    Start(1);
    // Set once the work is done: to the failure that left it, or to none.
    auto outcome = std::make_shared<std::optional<std::exception_ptr>>();
    {
        const std::lock_guard lock(pool_->mutex);
        pool_->Post(std::move(work), [outcome](const std::exception_ptr &failure) { *outcome = failure; });
    }
    if (!WaitUntil([&] { return outcome->has_value(); }, waiting))
        return false;
    if (**outcome)
        std::rethrow_exception(**outcome);
    return true;
}

void Reader::GiveUp()
{
    givenUp_ = true;
    const std::lock_guard lock(pool_->mutex);
    pool_->jobs_.clear();
    pool_->stop_.request_stop();
}

} // namespace mvx
