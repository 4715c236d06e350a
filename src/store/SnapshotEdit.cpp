#include "SnapshotEdit.h"

#include "SnapshotCompletion.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"

#include <chrono>

namespace vistrel {

StorePredicate SnapshotEdit::atLevel(std::int64_t level, StorePredicate predicate)
{
    // The level first: every edit is a seek on the (level, id) key.
    return StorePredicate::conjunction(StorePredicate::equal("level", level), std::move(predicate));
}

void SnapshotEdit::queueRemovalBelow(const FileUrl& folder, StoreContext& context)
{
    const std::int64_t level = folder.pathComponentCount();
    auto rows = context.fetch({StorePredicate::greaterThan("level", level), {{"level", false}}, 1, {"level"}});
    const auto* deepest = rows.empty() ? nullptr : std::get_if<std::int64_t>(&rows.front().values[0]);
    for (std::int64_t below = level + 1; deepest && below <= *deepest; ++below)
        context.removeWhere(atLevel(below, StorePredicate::beginsWith("id", folder.path())));
}

void SnapshotEdit::queueAncestorChange(const FileUrl& item, const Figures& change, StoreContext& context)
{
    const std::vector<std::pair<std::string, std::int64_t>> deltas{{"fileCount", change.fileCount},
                                                                    {"totalSize", change.totalSize},
                                                                    {"totalAllocatedSize", change.totalAllocatedSize}};
    StoreContainer& container = context.container();
    const auto scanRoot = SnapshotCompletion::scanRoot(container);
    if (item.path() == "/")
        return;
    for (FileUrl ancestor = item.parentDirectory();; ancestor = ancestor.parentDirectory()) {
        if (scanRoot && ancestor.path() == *scanRoot) {
            // The scan root has no row: its totals are kept beside the snapshot.
            if (auto totals = SnapshotCompletion::rootTotals(container)) {
                totals->fileCount += change.fileCount;
                totals->totalSize += change.totalSize;
                totals->totalAllocatedSize += change.totalAllocatedSize;
                SnapshotCompletion::recordRootTotalsAtSave(context, *totals);
            }
            return;
        }
        context.adjustWhere(atLevel(ancestor.pathComponentCount(), StorePredicate::equal("id", ancestor.path())), deltas);
        if (ancestor.path() == "/")
            return;
    }
}

void SnapshotEdit::queueModified(StoreContext& context)
{
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch());
    SnapshotCompletion::recordModifiedAtSave(context, now.count());
}

std::optional<VistrelFile> SnapshotEdit::removeItem(const FileUrl& item, StoreContext& context)
{
    auto removed = VistrelFile::file(item, context);
    if (!removed)
        return std::nullopt;
    const FileUrl url(removed->id);
    if (url.isDirectory())
        queueRemovalBelow(url, context);
    context.removeWhere(atLevel(removed->level, StorePredicate::equal("id", removed->id)));
    // A file counts as one; a folder as the files below it.
    queueAncestorChange(url,
                        {-(url.isDirectory() ? removed->fileCount.value_or(0) : 1), -removed->totalSize.value_or(0),
                         -removed->totalAllocatedSize.value_or(0)},
                        context);
    queueModified(context);
    context.save();
    return removed;
}

} // namespace vistrel
