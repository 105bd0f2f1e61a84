// Both files of a comparison read ahead of it in long requests, several in
// flight at once on the reader's threads: both files at once where they lie
// on different devices, in long turns where they share one, so that a device
// neither waits for the program nor seeks between the two at every request;
// through the cache, both at once in shorter requests.
// The comparison takes the requests in order, one of each file at a time.
#pragma once

#include "compare/FileLayer.h"
#include "compare/Reader.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace mvx {

class ReadAhead {
public:
    // Requests of one file that are in flight or wait to be compared: the
    // memory, kRequestsPerFile * kRequestMemory a file (24 MiB for the
    // pair), is all there is.
    static constexpr int kRequestsPerFile = 3;

    // length: the size both files have; nothing when each is read to its end.
    ReadAhead(std::shared_ptr<ReadOnlyFile> source, std::shared_ptr<ReadOnlyFile> target,
              std::optional<std::int64_t> length, ReadPath readPath, Reader &reader);
    // A read still in flight keeps only its own file open, and its memory.
    ~ReadAhead();
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

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

    // The bytes that each request asks for, the last one's aside.
    [[nodiscard]] std::int64_t RequestLength() const;

    // The next request of both files, from the start on, once both are in;
    // the one before is given back. Nothing when the wait was given up.
    // Throws CompareError when a read failed.
    std::optional<Pieces> Next(WhileWaiting &waiting);

    // Asks for no more and waits for what is in flight; false when that wait
    // was given up.
    bool Settle(WhileWaiting &waiting);

private:
    struct State;
    std::shared_ptr<State> state_;
    Reader &reader_;
    std::int64_t next_ = 0;
};

} // namespace mvx
