#include "compare/FileLayer.h"

#include "compare/ReaderThread.h"

namespace mvx {

bool HoldsNul(const std::string &path)
{
    return path.find('\0') != std::string::npos;
}

std::optional<bool> ReadOnlyFile::ChangedSinceOpening(ReaderThread &reader)
{
    if (WriterWaiting())
        return true;
    if (AnswersAtOnce())
        return !(StampOf(*handle_) == opened_) || !NamedBy(path_, opened_);
    // A share whose server has gone away answers a look-up no sooner than a
    // read.
    struct Look {
        Stamp now;
        bool named = false;
    };
    const auto look = std::make_shared<Look>();
    const bool answered =
        reader.Run([handle = handle_, path = path_, opened = opened_, look](const std::stop_token &) {
            look->now = StampOf(*handle);
            look->named = NamedBy(path, opened);
        });
    if (!answered)
        return std::nullopt;
    return !(look->now == opened_) || !look->named;
}

} // namespace mvx
