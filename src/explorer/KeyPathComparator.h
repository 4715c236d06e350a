#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace vistrel {

class ExplorerTableRowModelDataSource;

// One step of a sort order: a row value and a direction.
struct KeyPathComparator {
    // `change`: the size of the change against an earlier snapshot, growth and shrinking alike.
    enum class Key { name, fileCount, allocatedSize, resourceType, totalSize, change };
    Key key = Key::allocatedSize;
    bool forward = true; // ascending

    // Negative, zero or positive as a sorts before, with or after b. Names by the user's
    // locale, ignoring case, digit runs by value; absent numbers read as 0.
    int compare(const ExplorerTableRowModelDataSource& a, const ExplorerTableRowModelDataSource& b) const;

    bool operator==(const KeyPathComparator&) const = default;
};

// Comparators applied one after the other: the first decides, the next breaks its ties.
using SortOrder = std::vector<KeyPathComparator>;

// True when a sorts strictly before b under `order`.
bool ordersBefore(const SortOrder& order, const ExplorerTableRowModelDataSource& a,
                  const ExplorerTableRowModelDataSource& b);

// The table's order: directories first (type code descending), then the first comparator
// of `order` alone.
SortOrder effectiveOrder(const SortOrder& order);

// The user's localized comparison of two names (bytes; not UTF-8 compares as U+FFFD).
int compareNames(std::string_view a, std::string_view b);

} // namespace vistrel
