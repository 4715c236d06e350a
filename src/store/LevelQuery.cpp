#include "LevelQuery.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"

#include <algorithm>
#include <atomic>
#include <exception>
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

} // namespace

LevelQuery::Result LevelQuery::run(const FileUrl& root, StoreContext& context,
                                   const std::function<std::optional<StorePredicate>()>& condition,
                                   const std::vector<StoreSortKey>& order, std::optional<std::int64_t> limit)
{
    const std::string& prefix = root.path();
    const std::int64_t rootLevel = root.pathComponentCount();
    const std::int64_t deepest = deepestLevel(context, rootLevel);

    const std::size_t levelCount = static_cast<std::size_t>(std::max<std::int64_t>(0, deepest - rootLevel));
    std::vector<LevelResult> levels(levelCount);
    std::atomic<std::size_t> nextLevel{0};
    std::atomic<bool> failed{false};
    const auto work = [&](StoreContext& worker) {
        // Helpers stop between levels too when the caller's context is interrupted.
        for (std::size_t index = nextLevel++; index < levelCount && !failed && !context.interrupted();
             index = nextLevel++) {
            StorePredicate predicate
                = StorePredicate::equal("level", rootLevel + 1 + static_cast<std::int64_t>(index));
            if (auto extra = condition ? condition() : std::nullopt)
                predicate = StorePredicate::conjunction(std::move(predicate), std::move(*extra));
            // Everything is under "/": no bound on the id to check row by row.
            if (prefix != "/")
                predicate = StorePredicate::conjunction(StorePredicate::beginsWith("id", prefix), std::move(predicate));
            const StoreFetchDescriptor descriptor{std::move(predicate), order, limit};
            if (limit) {
                auto [total, objects] = worker.fetchWithTotal(descriptor);
                levels[index] = LevelResult{total, std::move(objects)};
            } else {
                auto objects = worker.fetch(descriptor);
                const auto total = static_cast<std::int64_t>(objects.size());
                levels[index] = LevelResult{total, std::move(objects)};
            }
        }
    };

    // One worker per processor; this thread is the first.
    const std::size_t workers = std::min<std::size_t>(levelCount, std::max(1u, std::thread::hardware_concurrency()));
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
            helpers.emplace_back([&, worker = helperContexts.back().get()] {
                try {
                    work(*worker);
                } catch (...) {
                    std::lock_guard lock(errorMutex);
                    if (!helperError)
                        helperError = std::current_exception();
                    failed = true;
                }
            });
        }
        work(context);
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

    // Levels in key order, each sorted already: the caller's stable sort keeps the key order
    // among equal rows, as one pass over the whole range would.
    Result result;
    const std::string& identity = context.container().storeIdentity();
    for (LevelResult& level : levels) {
        result.total += level.total;
        for (StoredObject& object : level.objects)
            result.files.push_back(VistrelFile::fromStored(std::move(object), identity));
    }
    return result;
}

} // namespace vistrel
