#include "compare/ReadQueue.h"

namespace mvx {

// Windows has no signals: Ctrl-C comes on a thread of the system's own.
std::thread StartQuietThread(std::function<void()> body)
{
    return std::thread(std::move(body));
}

} // namespace mvx
