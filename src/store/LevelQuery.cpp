#include "LevelQuery.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>

namespace vistrel {

namespace {

struct LevelResult {
    std::int64_t total = 0;
    std::vector<StoredObject> objects;
};

// The deepest level below the root. It must be the level of a real path (its row's id has that
// many components): a damaged store could otherwise ask for millions of empty levels.
std::int64_t deepestLevel(StoreContext& context, std::int64_t rootLevel)
{
    const StoreFetchDescriptor deepest{StorePredicate::greaterThan("level", rootLevel), {{"level", false}}, 1};
    std::vector<StoredObject> rows = context.fetch(deepest);
    if (rows.empty())
        return rootLevel;
    const VistrelFile file = VistrelFile::fromStored(std::move(rows.front()), {});
    if (file.level != FileUrl::pathComponentCount(file.id))
        throw StoreError(StoreError::Code::notASnapshot,
                         "the snapshot store is damaged: a stored level does not match its path");
    return file.level;
}

// `levels` and the request's condition, under the root.
StorePredicate underRoot(const FileUrl& root, const LevelQuery::Request& request, StorePredicate levels)
{
    if (auto extra = request.condition ? request.condition() : std::nullopt)
        levels = StorePredicate::conjunction(std::move(levels), std::move(*extra));
    // Everything is under "/": no bound on the id to check row by row.
    if (root.path() == "/")
        return levels;
    return StorePredicate::conjunction(StorePredicate::beginsWith("id", root.path()), std::move(levels));
}

// Runs `work` on this thread (worker 0) and on workers - 1 helpers with connections of their
// own; `failed` is set when any of them fails. Interrupting the caller's context stops them all.
void shareOut(StoreContext& context, std::size_t workers,
              const std::function<void(StoreContext& worker, std::size_t workerIndex)>& work, std::atomic<bool>& failed)
{
    std::vector<std::unique_ptr<StoreContext>> helperContexts;
    std::vector<std::thread> helpers;
    std::mutex errorMutex;
    std::exception_ptr helperError;
    const auto finishHelpers = [&](bool interrupt) {
        if (interrupt) {
            for (auto& helperContext : helperContexts)
                helperContext->interrupt();
        }
        for (std::thread& helper : helpers)
            helper.join();
        for (auto& helperContext : helperContexts)
            context.container().returnSpareContext(std::move(helperContext));
    };
    try {
        for (std::size_t helper = 1; helper < workers; ++helper) {
            helperContexts.push_back(context.container().takeSpareContext());
            helpers.emplace_back([&, helper, worker = helperContexts.back().get()] {
                try {
                    work(*worker, helper);
                } catch (...) {
                    std::lock_guard lock(errorMutex);
                    if (!helperError)
                        helperError = std::current_exception();
                    failed = true;
                }
            });
        }
        work(context, 0);
    } catch (...) {
        failed = true;
        finishHelpers(true); // the caller's query was interrupted, or failed
        throw;
    }
    finishHelpers(false);
    if (helperError)
        std::rethrow_exception(helperError);
    if (context.interrupted()) // while this thread waited for the helpers
        throw StoreError(StoreError::Code::failed, "interrupted");
}

// Runs `work` for each level below the root from the request's first depth, shared out between
// this thread and helpers with connections of their own.
using LevelWork = std::function<void(StoreContext& worker, std::size_t workerIndex, std::size_t levelIndex,
                                     const StoreFetchDescriptor& descriptor)>;
std::size_t eachLevel(const FileUrl& root, StoreContext& context, const LevelQuery::Request& request,
                      const LevelWork& work)
{
    const std::int64_t firstLevel = root.pathComponentCount() + std::max<std::int64_t>(1, request.firstDepth);
    const std::int64_t deepest = deepestLevel(context, firstLevel - 1);
    const std::size_t levelCount = static_cast<std::size_t>(std::max<std::int64_t>(0, deepest - firstLevel + 1));
    std::atomic<std::size_t> nextLevel{0};
    std::atomic<bool> failed{false};
    const auto levels = [&](StoreContext& worker, std::size_t workerIndex) {
        // Helpers stop between levels too when the caller's context is interrupted.
        for (std::size_t index = nextLevel++; index < levelCount && !failed && !context.interrupted();
             index = nextLevel++) {
            StorePredicate predicate = underRoot(
                root, request, StorePredicate::equal("level", firstLevel + static_cast<std::int64_t>(index)));
            work(worker, workerIndex, index,
                 StoreFetchDescriptor{std::move(predicate), request.order, request.limit, request.attributes});
        }
    };

    // One worker per processor; this thread is the first.
    shareOut(context, std::min(levelCount, LevelQuery::workerCount()), levels, failed);
    return levelCount;
}

struct Levels {
    std::int64_t total = 0;
    std::vector<LevelResult> levels;
};

Levels collect(const FileUrl& root, StoreContext& context, const LevelQuery::Request& request)
{
    Levels result;
    std::mutex mutex;
    std::size_t count
        = eachLevel(root, context, request,
                    [&](StoreContext& worker, std::size_t, std::size_t index, const StoreFetchDescriptor& descriptor) {
                        LevelResult level;
                        if (descriptor.limit) {
                            auto [total, objects] = worker.fetchWithTotal(descriptor);
                            level = LevelResult{total, std::move(objects)};
                        } else {
                            level.objects = worker.fetch(descriptor);
                            level.total = static_cast<std::int64_t>(level.objects.size());
                        }
                        std::lock_guard lock(mutex);
                        if (result.levels.size() <= index)
                            result.levels.resize(index + 1);
                        result.levels[index] = std::move(level);
                    });
    result.levels.resize(count);
    for (const LevelResult& level : result.levels)
        result.total += level.total;
    return result;
}

// One pass shared out in parts between this thread and helpers with connections of their own.
StoreContext::Top readInParts(StoreContext& context, const StoreFetchDescriptor& descriptor)
{
    // One part per worker: each part fills its own heap of the best rows before it drops
    // any, so more parts would cost more than the better balance gains.
    const std::size_t parts = LevelQuery::workerCount();
    std::vector<StoreContext::Top> found(parts);
    std::atomic<bool> failed{false};
    shareOut(
        context, parts,
        [&](StoreContext& worker, std::size_t part) {
            found[part] = worker.fetchWithTotalInParts(descriptor, part, parts);
        },
        failed);
    StoreContext::Top merged = std::move(found[0]);
    for (std::size_t part = 1; part < parts; ++part)
        context.mergeTop(descriptor, merged, std::move(found[part]));
    return merged;
}

// When everything in the snapshot lies under the root and its folders are stored apart, one
// pass over every row in storage order beats a query per level, whose rows lie spread over
// the store folder by folder. It keeps the best `limit` rows of all levels at once: far fewer
// than as many per level, and the worst kept one is soon too good for most rows to tie with.
std::optional<Levels> collectInOnePass(const FileUrl& root, StoreContext& context, const LevelQuery::Request& request)
{
    if (context.container().layout() != StoreContainer::Layout::folders || !request.limit
        || VistrelFile::file(root, context))
        return std::nullopt;
    const std::int64_t firstLevel = root.pathComponentCount() + std::max<std::int64_t>(1, request.firstDepth);
    deepestLevel(context, firstLevel - 1); // refuses a damaged store first
    const StoreFetchDescriptor descriptor{
        underRoot(root, request, StorePredicate::greaterThan("level", firstLevel - 1)), request.order, request.limit};
    auto [total, objects] = readInParts(context, descriptor);
    Levels result;
    result.total = total;
    result.levels.push_back(LevelResult{total, std::move(objects)});
    return result;
}

} // namespace

std::size_t LevelQuery::workerCount()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

LevelQuery::Result LevelQuery::run(const FileUrl& root, StoreContext& context,
                                   const std::function<std::optional<StorePredicate>()>& condition,
                                   const std::vector<StoreSortKey>& order, std::optional<std::int64_t> limit)
{
    const Request request{condition, order, limit, {}, 1};
    std::optional<Levels> onePass = collectInOnePass(root, context, request);
    Levels levels = onePass ? std::move(*onePass) : collect(root, context, request);
    // Levels in key order, each sorted already (or one pass's rows, sorted in order and then
    // key order): the caller's stable sort keeps the key order among equal rows, as one
    // pass over the whole range would.
    Result result;
    result.total = levels.total;
    const std::string& identity = context.container().storeIdentity();
    for (LevelResult& level : levels.levels) {
        for (StoredObject& object : level.objects)
            result.files.push_back(VistrelFile::fromStored(std::move(object), identity));
    }
    return result;
}

void LevelQuery::forEach(const FileUrl& root, StoreContext& context, const Request& request, const Receiver& receive)
{
    Request unlimited = request;
    unlimited.limit.reset();
    eachLevel(
        root, context, unlimited,
        [&](StoreContext& worker, std::size_t workerIndex, std::size_t level, const StoreFetchDescriptor& descriptor) {
            worker.fetchEachView(descriptor,
                                 [&](std::span<const StoreValueView> values) { receive(workerIndex, level, values); });
        });
}

} // namespace vistrel
