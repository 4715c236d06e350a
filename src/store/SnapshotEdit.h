#pragma once

#include "VistrelFile.h"

#include <optional>

namespace vistrel {

class StoreContext;

// Changes a snapshot in place after a cleanup, so that it stays what a new scan would say
// without one: each edit is one transaction, and every ancestor's figures (the scan root's
// kept totals included) move by exactly what the edit changed.
class SnapshotEdit {
public:
    // Takes the item and everything below it out of the snapshot, and its figures out of
    // every ancestor's. Returns the item as it was; none when the snapshot does not hold it
    // (nothing changes). Throws StoreError, also for a store opened read-only.
    static std::optional<VistrelFile> removeItem(const FileUrl& item, StoreContext& context);
};

} // namespace vistrel
