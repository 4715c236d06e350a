#include "SnapshotComparison.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "store/SnapshotCompletion.h"
#include "store/VistrelFile.h"
#include "store/VistrelFileSubtree.h"

#include <algorithm>

namespace vistrel {

namespace {

// A spare connection of the earlier store for the length of one question.
class EarlierContext {
public:
    explicit EarlierContext(StoreContainer& container)
        : container_(container)
        , context_(container.takeSpareContext())
    {
    }
    ~EarlierContext() { container_.returnSpareContext(std::move(context_)); }
    StoreContext& operator*() { return *context_; }

private:
    StoreContainer& container_;
    std::unique_ptr<StoreContext> context_;
};

std::optional<VistrelFile> find(const FileUrl& url, StoreContext& context)
{
    if (auto root = SnapshotCompletion::scanRootFile(context.container(), url))
        return root;
    return VistrelFile::file(url, context);
}

} // namespace

SnapshotComparison::SnapshotComparison(std::shared_ptr<StoreContainer> earlier,
                                       std::optional<std::int64_t> earlierEndedAt)
    : earlier_(std::move(earlier))
    , earlierEndedAt_(earlierEndedAt)
{
}

SnapshotComparison::Children SnapshotComparison::children(const FileUrl& directory, StoreContext& current) const
{
    EarlierContext earlier(*earlier_);
    Children children;
    for (SnapshotDiff::Change& change : SnapshotDiff::children(directory, *earlier, current)) {
        if (!change.after)
            children.removed.push_back(change);
        std::string id = change.id;
        children.byId.emplace(std::move(id), std::move(change));
    }
    std::stable_sort(children.removed.begin(), children.removed.end(),
                     [](const auto& a, const auto& b) { return a.before.value_or(0) > b.before.value_or(0); });
    return children;
}

std::optional<SnapshotDiff::Change> SnapshotComparison::item(const FileUrl& url, StoreContext& current) const
{
    EarlierContext earlier(*earlier_);
    const std::optional<VistrelFile> then = find(url, *earlier);
    const std::optional<VistrelFile> now = find(url, current);
    if (!then && !now)
        return std::nullopt;
    SnapshotDiff::Change change;
    change.id = url.path();
    change.name = now ? now->name : then->name;
    change.level = now ? now->level : then->level;
    if (then) {
        change.before = then->totalAllocatedSize.value_or(0);
        change.fileCountBefore = then->fileCount;
    }
    if (now) {
        change.after = now->totalAllocatedSize.value_or(0);
        change.fileCountAfter = now->fileCount;
    }
    return change;
}

SnapshotDiff::Biggest SnapshotComparison::biggest(const FileUrl& directory, StoreContext& current,
                                                  std::size_t limit) const
{
    EarlierContext earlier(*earlier_);
    return SnapshotDiff::biggest(directory, *earlier, current, limit);
}

std::unordered_map<std::string, std::int64_t> SnapshotComparison::earlierSizes(const FileUrl& directory,
                                                                               double minimumShare) const
{
    EarlierContext earlier(*earlier_);
    std::unordered_map<std::string, std::int64_t> sizes;
    for (VistrelFileSubtree::Item& item : VistrelFileSubtree::read(directory, *earlier, minimumShare))
        sizes.emplace(std::move(item.id), item.allocatedSize);
    return sizes;
}

} // namespace vistrel
