#include "SnapshotEdit.h"

#include "SnapshotCompletion.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"

#include <chrono>
#include <iterator>

namespace vistrel {

StorePredicate SnapshotEdit::atLevel(std::int64_t level, StorePredicate predicate)
{
    // The level first: every edit is a seek on the (level, id) key.
    return StorePredicate::conjunction(StorePredicate::equal("level", level), std::move(predicate));
}

namespace {

// The deepest level of the snapshot, or `level` when nothing lies deeper.
std::int64_t deepestLevel(StoreContext& context, std::int64_t level)
{
    auto rows = context.fetch({StorePredicate::greaterThan("level", level), {{"level", false}}, 1, {"level"}});
    const auto* deepest = rows.empty() ? nullptr : std::get_if<std::int64_t>(&rows.front().values[0]);
    return deepest ? *deepest : level;
}

SnapshotEdit::Figures figuresOf(const VistrelFile& item, int sign)
{
    // A file counts as one; a folder as the files below it.
    const bool folder = FileUrl(item.id).isDirectory();
    return {sign * (folder ? item.fileCount.value_or(0) : 1), sign * item.totalSize.value_or(0),
            sign * item.totalAllocatedSize.value_or(0)};
}

} // namespace

void SnapshotEdit::queueRemovalBelow(const FileUrl& folder, StoreContext& context)
{
    const std::int64_t level = folder.pathComponentCount();
    for (std::int64_t below = level + 1, deepest = deepestLevel(context, level); below <= deepest; ++below)
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
        context.adjustWhere(atLevel(ancestor.pathComponentCount(), StorePredicate::equal("id", ancestor.path())),
                            deltas);
        if (ancestor.path() == "/")
            return;
    }
}

void SnapshotEdit::queueModified(StoreContext& context)
{
    const auto now
        = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch());
    SnapshotCompletion::recordModifiedAtSave(context, now.count());
}

std::optional<SnapshotEdit::Removal> SnapshotEdit::takeItem(const FileUrl& item, StoreContext& context)
{
    auto found = VistrelFile::file(item, context);
    if (!found)
        return std::nullopt;
    Removal removal{*found, {}};
    // The rows before they go: the item's own, then each level below it.
    const FileUrl url(found->id);
    removal.rows = context.fetch({atLevel(found->level, StorePredicate::equal("id", found->id)), {}, std::nullopt});
    if (url.isDirectory()) {
        for (std::int64_t level = found->level + 1, deepest = deepestLevel(context, found->level); level <= deepest;
             ++level) {
            auto rows = context.fetch({atLevel(level, StorePredicate::beginsWith("id", found->id)), {}, std::nullopt});
            std::move(rows.begin(), rows.end(), std::back_inserter(removal.rows));
        }
    }
    if (!removeItem(item, context))
        return std::nullopt;
    return removal;
}

void SnapshotEdit::putBack(const Removal& removal, StoreContext& context)
{
    // Every row in the one transaction of the save below.
    const bool autosave = context.autosaveEnabled();
    context.setAutosaveEnabled(false);
    for (const StoredObject& row : removal.rows)
        context.insert(row);
    queueAncestorChange(FileUrl(removal.item.id), figuresOf(removal.item, 1), context);
    queueModified(context);
    context.setAutosaveEnabled(autosave);
    context.save();
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
    queueAncestorChange(url, figuresOf(*removed, -1), context);
    queueModified(context);
    context.save();
    return removed;
}

} // namespace vistrel
