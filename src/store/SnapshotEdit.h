#pragma once

#include "VistrelFile.h"

#include "objectstore/StoreContext.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vistrel {

// Changes a snapshot in place after a cleanup, so that it stays what a new scan would say
// without one: each edit is one transaction, and every ancestor's figures (the scan root's
// kept totals included) move by exactly what the edit changed.
class SnapshotEdit {
public:
    // Takes the item and everything below it out of the snapshot, and its figures out of
    // every ancestor's. Returns the item as it was; none when the snapshot does not hold it
    // (nothing changes). Throws StoreError, also for a store opened read-only.
    static std::optional<VistrelFile> removeItem(const FileUrl& item, StoreContext& context);

    // The same, keeping every removed row, so that an undo can put them back as they were.
    struct Removal {
        VistrelFile item;
        std::vector<StoredObject> rows; // the item's and everything below it
    };
    static std::optional<Removal> takeItem(const FileUrl& item, StoreContext& context);
    // Puts a removal's rows back and its figures into every ancestor again.
    static void putBack(const Removal& removal, StoreContext& context);

    // The pieces of an edit, queued on the context for its next save.
    struct Figures {
        std::int64_t fileCount = 0;
        std::int64_t totalSize = 0;
        std::int64_t totalAllocatedSize = 0;
    };
    // Every row below `folder` (not its own).
    static void queueRemovalBelow(const FileUrl& folder, StoreContext& context);
    // Adds `change` to each ancestor of `item` up to the scan root, whose kept totals take it.
    static void queueAncestorChange(const FileUrl& item, const Figures& change, StoreContext& context);
    // Records that the snapshot was changed after its scan, and when.
    static void queueModified(StoreContext& context);
    // The (level, id) key's seek for one row, or a range at one level.
    static StorePredicate atLevel(std::int64_t level, StorePredicate predicate);
};

} // namespace vistrel
