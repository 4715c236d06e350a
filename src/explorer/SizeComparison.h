#pragma once

#include <cstdint>
#include <optional>

namespace vistrel {

// A row's Size against an earlier snapshot: absent `before` for an item that is new since,
// absent `after` for one that only the earlier snapshot has (the row shows its old figures).
struct SizeComparison {
    std::optional<std::int64_t> before;
    std::optional<std::int64_t> after;
    std::optional<std::int64_t> fileCountBefore;
    // Removed items of this folder that Biggest Changes folded into its row.
    std::int64_t removedItems = 0;

    bool removed() const { return !after; }
    std::int64_t change() const { return after.value_or(0) - before.value_or(0); }
    std::uint64_t magnitude() const
    {
        const std::int64_t difference = change();
        return difference < 0 ? 0 - static_cast<std::uint64_t>(difference) : static_cast<std::uint64_t>(difference);
    }
};

} // namespace vistrel
