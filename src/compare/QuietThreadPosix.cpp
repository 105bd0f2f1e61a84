#include "compare/ReadQueue.h"

#include <csignal>
#include <pthread.h>

namespace mvx {

namespace {

// Every signal held back on the calling thread while it lives; a thread
// started meanwhile inherits the mask, and so never has a moment in which it
// could take one. One that arrives meanwhile waits for the caller.
class SignalsHeldBack {
public:
    SignalsHeldBack()
    {
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_SETMASK, &all, &previous_);
    }
    ~SignalsHeldBack() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeldBack(const SignalsHeldBack &) = delete;
    SignalsHeldBack &operator=(const SignalsHeldBack &) = delete;

private:
    sigset_t previous_{};
};

} // namespace

std::thread StartQuietThread(std::function<void()> body)
{
    const SignalsHeldBack held;
    return std::thread(std::move(body));
}

} // namespace mvx
