#include "VistrelFileSearch.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"

#include <QLocale>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
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

// Runs one query per level below the root: each its level's rows under the root that match
// `condition`, in `order`, the first resultLimit with the level's total. On the (level, id)
// key each is a range seek to the root's prefix, where one query over every deeper level
// would read all of their rows. The levels are shared out between this thread and helpers,
// each with its own connection.
VistrelFileSearch::Result fetchLevels(const FileUrl& root, StoreContext& context,
                                      const std::function<StorePredicate()>& condition,
                                      const std::vector<StoreSortKey>& order)
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
            StorePredicate predicate = StorePredicate::conjunction(
                StorePredicate::equal("level", rootLevel + 1 + static_cast<std::int64_t>(index)), condition());
            // Everything is under "/": no bound on the id to check row by row.
            if (prefix != "/")
                predicate = StorePredicate::conjunction(StorePredicate::beginsWith("id", prefix), std::move(predicate));
            const StoreFetchDescriptor descriptor{std::move(predicate), order, VistrelFileSearch::resultLimit};
            auto [total, objects] = worker.fetchWithTotal(descriptor);
            levels[index] = LevelResult{total, std::move(objects)};
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
    VistrelFileSearch::Result result;
    const std::string& identity = context.container().storeIdentity();
    for (LevelResult& level : levels) {
        result.total += level.total;
        for (StoredObject& object : level.objects)
            result.files.push_back(VistrelFile::fromStored(std::move(object), identity));
    }
    return result;
}

// Sorted by `before` and cut at the limit.
void keepFirst(VistrelFileSearch::Result& result,
               const std::function<bool(const VistrelFile&, const VistrelFile&)>& before)
{
    std::stable_sort(result.files.begin(), result.files.end(), before);
    if (result.files.size() > static_cast<std::size_t>(VistrelFileSearch::resultLimit))
        result.files.erase(result.files.begin() + VistrelFileSearch::resultLimit, result.files.end());
}

} // namespace

VistrelFileSearch::Result VistrelFileSearch::search(const FileUrl& root, const std::string& text, StoreContext& context)
{
    // Case is folded again by the store's comparison; lowering here only follows the locale.
    // Text that is not UTF-8 stays as its bytes.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    const QByteArray loweredBytes = decoder.hasError() ? QByteArray(text.data(), static_cast<qsizetype>(text.size()))
                                                       : decoded.toLower().toUtf8();
    const std::string needle(loweredBytes.constData(), static_cast<std::size_t>(loweredBytes.size()));
    Result result = fetchLevels(
        root, context, [&] { return StorePredicate::containsIgnoringCaseAndDiacritics("name", needle); },
        {{"fileResourceType", false}, {"totalAllocatedSize", false}});
    keepFirst(result, [](const VistrelFile& a, const VistrelFile& b) {
        if (a.fileResourceType != b.fileResourceType)
            return b.fileResourceType < a.fileResourceType;
        return b.totalAllocatedSize < a.totalAllocatedSize;
    });
    return result;
}

VistrelFileSearch::Result VistrelFileSearch::largestFiles(const FileUrl& root, StoreContext& context)
{
    // Every type but the directory's code, which is the highest.
    Result result = fetchLevels(
        root, context, [] { return StorePredicate::lessThan("fileResourceType", std::int64_t{255}); },
        {{"totalAllocatedSize", false}});
    keepFirst(result, [](const VistrelFile& a, const VistrelFile& b) {
        return b.totalAllocatedSize.value_or(0) < a.totalAllocatedSize.value_or(0);
    });
    return result;
}

} // namespace vistrel
