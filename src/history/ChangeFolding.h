#pragma once

#include "SnapshotDiff.h"

#include <cstdint>
#include <vector>

namespace vistrel {

// The biggest changes as a person reads them: the deepest items that explain a change,
// each folder only where its own change is more than what its listed items explain (a
// file that grew by 200 MB is one row, not five, one per folder above it), and many
// removed items of one folder folded into that folder's row with their count.
class ChangeFolding {
public:
    struct Row {
        SnapshotDiff::Change change;
        // Removed items of this folder folded into its row; 0 for a plain row.
        std::int64_t removedItems = 0;
    };

    // `changes` as SnapshotDiff::biggest gives them (any order); the rows largest change
    // first, `limit` at most.
    static std::vector<Row> fold(const std::vector<SnapshotDiff::Change>& changes, std::size_t limit);

    // This many removed items of one folder, or more, are one row.
    static constexpr std::size_t removalsFolded = 5;
    // A folder's change explained to within this share (or 4 KiB) by its listed items is
    // not listed again.
    static constexpr double explainedShare = 0.05;
};

} // namespace vistrel
