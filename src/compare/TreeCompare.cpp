#include "compare/TreeCompare.h"

#include "compare/Compare.h"
#include "compare/Folder.h"
#include "compare/ReadQueue.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace mvx {

namespace {

// Folders listed ahead of the walk, at once.
constexpr std::size_t kListingsAtOnce = 4;
// File pairs compared at once, and the most memory their requests take
// together (a pair larger than that goes alone).
constexpr std::size_t kPairsAtOnce = 32;
constexpr std::size_t kPairsMemory = std::size_t{32} << 20;

using Folders = std::array<std::shared_ptr<const Folder>, 2>;
using Opener = std::function<std::shared_ptr<const Folder>(int side)>;

// What the reader threads tell the walk, which looks at it on its own thread.
struct Shared {
    std::atomic<std::uint64_t> changes{0};
    std::atomic<std::int64_t> bytesDone{0};
    std::atomic<int> waiting{0};
};

// A folder of both trees, listed on a reader thread.
struct Listing {
    std::atomic<bool> done{false};
    Folders folders;
    std::array<std::vector<FolderEntry>, 2> entries;
    std::optional<FileFailure> failure;
    std::exception_ptr trouble;
};

// The findings of one entry, in their place in the walk's order.
struct Slot {
    std::atomic<bool> done{false};
    std::vector<TreeFinding> findings;
    std::exception_ptr trouble;
};

// An entry of one tree or both.
struct Item {
    std::string name;
    std::optional<FolderEntry> source;
    std::optional<FolderEntry> target;
    // A folder in both trees: its listing, asked for ahead.
    std::shared_ptr<Listing> listing;
};

struct Frame {
    std::string path;
    Folders folders;
    std::vector<Item> items;
    std::size_t next = 0;
};

TreeFinding Finding(TreeFinding::What what, const std::string &path, std::int64_t at = 0)
{
    TreeFinding finding;
    finding.what = what;
    finding.path = path;
    finding.at = at;
    return finding;
}

bool Both(const Item &item, EntryKind kind)
{
    return item.source && item.target && item.source->kind == kind && item.target->kind == kind;
}

std::vector<Item> Merge(std::vector<FolderEntry> &source, std::vector<FolderEntry> &target)
{
    std::vector<Item> items;
    auto s = source.begin();
    auto t = target.begin();
    while (s != source.end() || t != target.end()) {
        Item item;
        if (t == target.end() || (s != source.end() && s->name < t->name)) {
            item.source = std::move(*s++);
        } else if (s == source.end() || t->name < s->name) {
            item.target = std::move(*t++);
        } else {
            item.source = std::move(*s++);
            item.target = std::move(*t++);
        }
        item.name = item.source ? item.source->name : item.target->name;
        items.push_back(std::move(item));
    }
    return items;
}

// A pair's bytes, as they are compared, added to the walk's count.
class PairProgress final : public CompareProgress {
public:
    explicit PairProgress(Shared &shared) : shared_(shared) {}
    ~PairProgress() override { WaitingForDevice(false); }
    PairProgress(const PairProgress &) = delete;
    PairProgress &operator=(const PairProgress &) = delete;

    [[nodiscard]] std::int64_t Told() const { return told_; }
    void Progress(std::int64_t done, std::int64_t) override
    {
        shared_.bytesDone += done - told_;
        told_ = done;
    }
    void ProcessEvents() override {}
    void WaitingForDevice(bool waiting) override
    {
        if (waiting != waiting_)
            shared_.waiting += waiting ? 1 : -1;
        waiting_ = waiting;
    }

private:
    Shared &shared_;
    std::int64_t told_ = 0;
    bool waiting_ = false;
};

// The walk of both trees, on the caller's thread: it lists folders and
// compares file pairs on the queue's threads, never waiting on a device
// itself, and hands on what is found in order.
class TreeWalk final : public Waiting {
public:
    TreeWalk(std::shared_ptr<ReadQueue> queue, ReadPath readPath, TreeProgress &progress)
        : queue_(std::move(queue)), readPath_(readPath), progress_(progress)
    {}

    TreeOutcome Run(const std::string &source, const std::string &target)
    {
        auto roots = std::make_shared<Listing>();
        const FolderEntry folder{"", EntryKind::Folder, 0, {}};
        frames_.push_back({"", {}, {Item{"", folder, folder, roots}}});
        toList_.emplace_back(roots, [source, target](int side) {
            return std::make_shared<const Folder>(side == 0 ? source : target);
        });
        std::uint64_t seen = 0;
        for (;;) {
            progress_.ProcessEvents();
            Settle();
            Advance();
            StartListings();
            Emit();
            Tell();
            if (frames_.empty() && slots_.empty())
                break;
            std::uint64_t now = seen;
            if (!queue_->WaitUntil(
                    [&] {
                        now = shared_->changes;
                        return now != seen;
                    },
                    *this)) {
                outcome_.stopped = true;
                break;
            }
            seen = now;
        }
        return outcome_;
    }

    void Slice(std::chrono::steady_clock::duration) override
    {
        progress_.ProcessEvents();
        Tell();
    }
    void Answered() override {}

private:
    // Moves the walk on as far as what is known and the room for pairs let it.
    void Advance()
    {
        while (!frames_.empty()) {
            Frame &frame = frames_.back();
            if (frame.next == frame.items.size()) {
                frames_.pop_back();
                continue;
            }
            Item &item = frame.items[frame.next];
            const std::string path = frame.path.empty() ? item.name : frame.path + '/' + item.name;
            if (item.listing) {
                if (!item.listing->done)
                    return;
                ++frame.next;
                Enter(path, *item.listing);
            } else if (Both(item, EntryKind::File)) {
                const std::size_t memory = ReadQueue::MemoryFor(LengthOf(item), readPath_);
                if (!pairs_.empty() && (pairs_.size() >= kPairsAtOnce || memory_ + memory > kPairsMemory))
                    return;
                ++frame.next;
                ComparePair(path, frame.folders, item, memory);
            } else {
                ++frame.next;
                Judge(path, item);
            }
        }
    }

    // The files' common length as listed, for the memory their comparison takes.
    static std::optional<std::int64_t> LengthOf(const Item &item)
    {
        if (item.source->size == item.target->size && item.source->size > 0)
            return item.source->size;
        return std::nullopt;
    }

    void Enter(const std::string &path, Listing &listing)
    {
        if (listing.trouble)
            std::rethrow_exception(listing.trouble);
        if (listing.failure) {
            Record({TreeFinding::What::Unreadable, path, 0, *listing.failure});
            return;
        }
        Frame frame{path, listing.folders, Merge(listing.entries[0], listing.entries[1])};
        // The folders of both trees are listed ahead of the walk, the one it
        // comes to first taken first.
        std::for_each(frame.items.rbegin(), frame.items.rend(), [&](Item &item) {
            if (!Both(item, EntryKind::Folder))
                return;
            item.listing = std::make_shared<Listing>();
            toList_.emplace_back(item.listing, [folders = frame.folders, name = item.name](int side) {
                return std::make_shared<const Folder>(folders.at(side), name);
            });
        });
        frames_.push_back(std::move(frame));
    }

    void Judge(const std::string &path, const Item &item)
    {
        using What = TreeFinding::What;
        if (!item.target)
            Record(Finding(What::OnlyInSource, path));
        else if (!item.source)
            Record(Finding(What::OnlyInTarget, path));
        else if (item.source->kind != item.target->kind)
            Record(Finding(What::Kind, path));
        else if (item.source->linkTarget != item.target->linkTarget)
            Record(Finding(What::LinkTarget, path));
    }

    void Record(TreeFinding finding)
    {
        auto slot = std::make_shared<Slot>();
        slot->findings.push_back(std::move(finding));
        slot->done = true;
        slots_.push_back(std::move(slot));
    }

    void ComparePair(const std::string &path, const Folders &folders, const Item &item, std::size_t memory)
    {
        auto slot = std::make_shared<Slot>();
        slots_.push_back(slot);
        pairs_.emplace_back(slot, memory);
        memory_ += memory;
        const std::int64_t bytes = std::max(item.source->size, item.target->size);
        ++met_.files;
        met_.bytes += bytes;
        queue_->Start(
            [slot, queue = queue_, shared = shared_, folders, name = item.name, path, bytes,
             readPath = readPath_](const std::stop_token &stop) {
                auto source = std::make_shared<ReadOnlyFile>(folders[0], name, readPath);
                if (stop.stop_requested())
                    return;
                auto target = std::make_shared<ReadOnlyFile>(folders[1], name, readPath);
                FilePair pair(*queue, readPath, std::move(source), std::move(target));
                PairProgress progress(*shared);
                if (pair.SizesDiffer())
                    slot->findings.push_back(Finding(TreeFinding::What::Size, path));
                else if (pair.CompareFiles(progress) == FilePair::Verdict::Different)
                    slot->findings.push_back(
                        Finding(TreeFinding::What::Content, path, *pair.FirstDifference()));
                // The walk met the pair with its listed size.
                shared->bytesDone += std::max<std::int64_t>(bytes - progress.Told(), 0);
            },
            [slot, shared = shared_, path](const std::exception_ptr &failure) {
                if (failure) {
                    try {
                        std::rethrow_exception(failure);
                    } catch (const FileError &e) {
                        slot->findings.push_back({TreeFinding::What::Unreadable, path, 0, e.Failure()});
                    } catch (...) {
                        slot->trouble = failure;
                    }
                }
                slot->done = true;
                ++shared->changes;
            });
    }

    void StartListings()
    {
        while (listings_.size() < kListingsAtOnce && !toList_.empty()) {
            std::shared_ptr<Listing> listing = std::move(toList_.back().first);
            Opener open = std::move(toList_.back().second);
            toList_.pop_back();
            listings_.push_back(listing);
            queue_->Start(
                [listing, open = std::move(open)](const std::stop_token &stop) {
                    try {
                        for (int side = 0; side < 2 && !stop.stop_requested(); ++side) {
                            listing->folders.at(side) = open(side);
                            listing->entries.at(side) = listing->folders.at(side)->Entries();
                        }
                    } catch (const FileError &e) {
                        listing->failure = e.Failure();
                    }
                },
                [listing, shared = shared_](const std::exception_ptr &failure) {
                    listing->trouble = failure;
                    listing->done = true;
                    ++shared->changes;
                });
        }
    }

    // Lets go of what has ended: the room of pairs, the places of listings.
    void Settle()
    {
        std::erase_if(pairs_, [&](const std::pair<std::shared_ptr<Slot>, std::size_t> &pair) {
            if (!pair.first->done)
                return false;
            memory_ -= pair.second;
            ++filesDone_;
            return true;
        });
        std::erase_if(listings_,
                      [](const std::shared_ptr<Listing> &listing) { return listing->done.load(); });
    }

    void Emit()
    {
        while (!slots_.empty() && slots_.front()->done) {
            const std::shared_ptr<Slot> slot = std::move(slots_.front());
            slots_.pop_front();
            if (slot->trouble)
                std::rethrow_exception(slot->trouble);
            for (const TreeFinding &finding : slot->findings) {
                ++(finding.what == TreeFinding::What::Unreadable ? outcome_.unreadable
                                                                 : outcome_.differences);
                progress_.Found(finding);
            }
        }
    }

    void Tell() { progress_.Progress({filesDone_, shared_->bytesDone}, met_, shared_->waiting > 0); }

    std::shared_ptr<ReadQueue> queue_;
    ReadPath readPath_;
    TreeProgress &progress_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    std::vector<Frame> frames_;
    std::deque<std::shared_ptr<Slot>> slots_;
    // Listings asked for, the next to start last, and those started.
    std::vector<std::pair<std::shared_ptr<Listing>, Opener>> toList_;
    std::vector<std::shared_ptr<Listing>> listings_;
    // Pairs being compared, with the memory each takes.
    std::vector<std::pair<std::shared_ptr<Slot>, std::size_t>> pairs_;
    std::size_t memory_ = 0;
    TreeCount met_;
    std::int64_t filesDone_ = 0;
    TreeOutcome outcome_;
};

} // namespace

TreeOutcome CompareTrees(const std::string &source, const std::string &target, std::stop_token stop,
                         ReadPath readPath, TreeProgress &progress)
{
    // The queue goes with the last comparison that still reads from it.
    return TreeWalk(std::make_shared<ReadQueue>(std::move(stop)), readPath, progress).Run(source, target);
}

} // namespace mvx
