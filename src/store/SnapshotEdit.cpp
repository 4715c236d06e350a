#include "SnapshotEdit.h"

#include "SnapshotCompletion.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"

#include <chrono>

namespace vistrel {

namespace {

StorePredicate atLevel(std::int64_t level, StorePredicate predicate)
{
    // The level first: every edit is a seek on the (level, id) key.
    return StorePredicate::conjunction(StorePredicate::equal("level", level), std::move(predicate));
}

std::int64_t deepestLevel(StoreContext& context, std::int64_t below)
{
    auto rows = context.fetch({StorePredicate::greaterThan("level", below), {{"level", false}}, 1, {"level"}});
    if (rows.empty())
        return below;
    const auto* level = std::get_if<std::int64_t>(&rows.front().values[0]);
    return level ? *level : below;
}

} // namespace

std::optional<VistrelFile> SnapshotEdit::removeItem(const FileUrl& item, StoreContext& context)
{
    auto removed = VistrelFile::file(item, context);
    if (!removed)
        return std::nullopt;
    const std::string& id = removed->id;
    const std::int64_t level = removed->level;
    const bool directory = !id.empty() && id.back() == '/';
    if (directory) {
        for (std::int64_t below = level + 1, deepest = deepestLevel(context, level); below <= deepest; ++below)
            context.removeWhere(atLevel(below, StorePredicate::beginsWith("id", id)));
    }
    context.removeWhere(atLevel(level, StorePredicate::equal("id", id)));

    // A file counts as one; a folder as the files below it.
    const std::int64_t files = directory ? removed->fileCount.value_or(0) : 1;
    const std::int64_t size = removed->totalSize.value_or(0);
    const std::int64_t allocated = removed->totalAllocatedSize.value_or(0);
    const std::vector<std::pair<std::string, std::int64_t>> deltas{
        {"fileCount", -files}, {"totalSize", -size}, {"totalAllocatedSize", -allocated}};
    StoreContainer& container = context.container();
    const auto scanRoot = SnapshotCompletion::scanRoot(container);
    for (FileUrl ancestor = FileUrl(id).parentDirectory(); ancestor.pathComponentCount() >= 1;
         ancestor = ancestor.parentDirectory()) {
        if (scanRoot && ancestor.path() == *scanRoot) {
            // The scan root has no row: its totals are kept beside the snapshot.
            if (auto totals = SnapshotCompletion::rootTotals(container)) {
                totals->fileCount -= files;
                totals->totalSize -= size;
                totals->totalAllocatedSize -= allocated;
                SnapshotCompletion::recordRootTotalsAtSave(context, *totals);
            }
            break;
        }
        context.adjustWhere(atLevel(ancestor.pathComponentCount(), StorePredicate::equal("id", ancestor.path())), deltas);
        if (ancestor.path() == "/")
            break;
    }
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::system_clock::now().time_since_epoch());
    SnapshotCompletion::recordModifiedAtSave(context, now.count());
    context.save();
    return removed;
}

} // namespace vistrel
