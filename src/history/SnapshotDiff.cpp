#include "SnapshotDiff.h"

#include "ReadAheadRows.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "objectstore/StoreCursor.h"
#include "scanner/FileSystemRecord.h"
#include "scanner/ResourceTypeCode.h"
#include "store/LevelQuery.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace vistrel {

namespace {

const std::vector<std::string> attributes
    = {"id", "name", "level", "fileCount", "totalAllocatedSize", "fileResourceType"};

std::optional<std::int64_t> integer(const StoreValueView& value)
{
    if (const auto* number = std::get_if<std::int64_t>(&value))
        return *number;
    return std::nullopt;
}

std::string_view text(const StoreValueView& value)
{
    if (const auto* bytes = std::get_if<std::string_view>(&value))
        return *bytes;
    return {};
}

// One level's rows below the directory, in path order.
std::unique_ptr<StoreCursor> levelCursor(StoreContext& context, const FileUrl& directory, std::int64_t level)
{
    StorePredicate predicate = StorePredicate::equal("level", level);
    if (directory.path() != "/")
        predicate
            = StorePredicate::conjunction(StorePredicate::beginsWith("id", directory.path()), std::move(predicate));
    return context.openCursor({std::move(predicate), {{"id", true}}, std::nullopt, attributes});
}

// Walks both cursors in id order, handing each id once with the rows it has on either side.
// False when neither side had a row.
template <class Rows> bool merge(Rows& before, Rows& after, const std::function<void(SnapshotDiff::Change&&)>& receive)
{
    bool hasBefore = before.next();
    bool hasAfter = after.next();
    const bool any = hasBefore || hasAfter;
    while (hasBefore || hasAfter) {
        const std::string_view beforeId = hasBefore ? text(before.values()[0]) : std::string_view();
        const std::string_view afterId = hasAfter ? text(after.values()[0]) : std::string_view();
        // Bytewise, as the stores order them.
        const int order = !hasBefore ? 1 : !hasAfter ? -1 : beforeId.compare(afterId);
        const auto& source = order <= 0 ? before.values() : after.values();
        SnapshotDiff::Change change;
        change.id = order <= 0 ? beforeId : afterId;
        change.name = text(source[1]);
        change.level = integer(source[2]).value_or(0);
        change.resourceType = integer(source[5]);
        if (order <= 0) {
            change.fileCountBefore = integer(before.values()[3]);
            change.before = integer(before.values()[4]).value_or(0);
            hasBefore = before.next();
        }
        if (order >= 0) {
            change.fileCountAfter = integer(after.values()[3]);
            change.after = integer(after.values()[4]).value_or(0);
            hasAfter = after.next();
        }
        receive(std::move(change));
    }
    return any;
}

// Larger changes first, then path order: a strict order, so that results do not depend on
// which thread met an item first.
bool ranksBefore(const SnapshotDiff::Change& a, const SnapshotDiff::Change& b)
{
    if (a.magnitude() != b.magnitude())
        return a.magnitude() > b.magnitude();
    return a.id < b.id;
}

} // namespace

VistrelFile SnapshotDiff::Change::item() const
{
    FileSystemRecord record;
    record.path = id;
    record.level = level;
    if (resourceType)
        record.fileResourceType = static_cast<std::uint8_t>(*resourceType);
    else if (isDirectory())
        record.fileResourceType = ResourceTypeCode::directory;
    record.fileCount = after ? fileCountAfter : fileCountBefore;
    record.totalAllocatedSize = after ? after : before;
    return VistrelFile(std::move(record));
}

std::uint64_t SnapshotDiff::Change::magnitude() const
{
    const std::int64_t difference = change();
    return difference < 0 ? 0 - static_cast<std::uint64_t>(difference) : static_cast<std::uint64_t>(difference);
}

std::vector<SnapshotDiff::Change> SnapshotDiff::children(const FileUrl& directory, StoreContext& before,
                                                         StoreContext& after)
{
    const std::int64_t level = directory.pathComponentCount() + 1;
    // Both snapshots at once, one on a helper: a large folder's rows take most of the time.
    auto readBefore
        = std::async(std::launch::async, [&] { return ReadAheadRows(*levelCursor(before, directory, level)); });
    ReadAheadRows afterRows(*levelCursor(after, directory, level));
    ReadAheadRows beforeRows = readBefore.get();
    std::vector<Change> changes;
    merge(beforeRows, afterRows, [&changes](Change&& change) { changes.push_back(std::move(change)); });
    return changes;
}

std::int64_t SnapshotDiff::every(const FileUrl& directory, StoreContext& before, StoreContext& after,
                                 const std::function<void(const Change&)>& receive)
{
    std::int64_t total = 0;
    for (std::int64_t level = directory.pathComponentCount() + 1;; ++level) {
        const auto beforeRows = levelCursor(before, directory, level);
        const auto afterRows = levelCursor(after, directory, level);
        const bool any = merge(*beforeRows, *afterRows, [&](Change&& change) {
            if (!change.changed())
                return;
            ++total;
            receive(change);
        });
        // A level with no row below the directory in either snapshot has none below it either.
        if (!any)
            return total;
    }
}

SnapshotDiff::Biggest SnapshotDiff::biggest(const FileUrl& directory, StoreContext& before, StoreContext& after,
                                            std::size_t limit)
{
    const std::int64_t firstLevel = directory.pathComponentCount() + 1;
    std::atomic<std::int64_t> nextLevel{firstLevel};
    // A level with no row below the directory in either snapshot has none below it either.
    std::atomic<std::int64_t> emptyLevel{INT64_MAX};
    std::atomic<bool> failed{false};
    std::mutex mutex;
    std::exception_ptr error;
    Biggest result;
    std::vector<Change> kept; // a heap whose top ranks last

    const auto work = [&](StoreContext& beforeContext, StoreContext& afterContext) {
        std::vector<Change> heap;
        std::int64_t total = 0;
        for (std::int64_t level = nextLevel++; level < emptyLevel && !failed; level = nextLevel++) {
            const auto beforeRows = levelCursor(beforeContext, directory, level);
            const auto afterRows = levelCursor(afterContext, directory, level);
            const bool any = merge(*beforeRows, *afterRows, [&](Change&& change) {
                if (!change.changed())
                    return;
                ++total;
                if (heap.size() == limit && (limit == 0 || !ranksBefore(change, heap.front())))
                    return;
                heap.push_back(std::move(change));
                std::push_heap(heap.begin(), heap.end(), ranksBefore);
                if (heap.size() > limit) {
                    std::pop_heap(heap.begin(), heap.end(), ranksBefore);
                    heap.pop_back();
                }
            });
            if (!any) {
                std::int64_t seen = emptyLevel;
                while (level < seen && !emptyLevel.compare_exchange_weak(seen, level)) { }
            }
        }
        std::lock_guard lock(mutex);
        result.total += total;
        std::move(heap.begin(), heap.end(), std::back_inserter(kept));
    };

    // Helpers read with connections of their own and small caches: each page is read once.
    const std::size_t helperCount = LevelQuery::workerCount() - 1;
    std::vector<std::pair<std::unique_ptr<StoreContext>, std::unique_ptr<StoreContext>>> contexts;
    std::vector<std::thread> helpers;
    for (std::size_t index = 0; index < helperCount; ++index) {
        contexts.emplace_back(before.container().makeContext(), after.container().makeContext());
        contexts.back().first->setPageCacheLimit(streamingCacheKibibytes);
        contexts.back().second->setPageCacheLimit(streamingCacheKibibytes);
        // The contexts themselves, not the pair: the vector moves its pairs as it grows.
        helpers.emplace_back(
            [&, beforeHelper = contexts.back().first.get(), afterHelper = contexts.back().second.get()] {
                try {
                    work(*beforeHelper, *afterHelper);
                } catch (...) {
                    std::lock_guard lock(mutex);
                    if (!error)
                        error = std::current_exception();
                    failed = true;
                }
            });
    }
    try {
        work(before, after);
    } catch (...) {
        std::lock_guard lock(mutex);
        if (!error)
            error = std::current_exception();
        failed = true;
    }
    if (failed) {
        for (auto& [beforeContext, afterContext] : contexts) {
            beforeContext->interrupt();
            afterContext->interrupt();
        }
    }
    for (std::thread& helper : helpers)
        helper.join();
    if (error)
        std::rethrow_exception(error);
    std::sort(kept.begin(), kept.end(), ranksBefore);
    if (kept.size() > limit)
        kept.resize(limit);
    result.changes = std::move(kept);
    return result;
}

} // namespace vistrel
