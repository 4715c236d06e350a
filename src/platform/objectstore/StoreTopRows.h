#pragma once

#include "StoreContext.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace vistrel {

// The best `limit` rows of a pass under sort keys (column, ascending), and how many rows the
// pass had: a bounded heap, so that a pass over a million rows holds `limit` of them.
// Rows equal under the keys keep the order they came in.
class StoreTopRows {
public:
    // The keys from `primary` on only break ties: they are read from a row only when it ties
    // with the worst kept one, or once it is kept.
    StoreTopRows(const std::vector<std::pair<int, bool>>& keys, std::size_t limit, std::size_t primary = SIZE_MAX)
        : keys_(&keys)
        , limit_(limit)
        , primary_(std::min(primary, keys.size()))
    {
    }

    // Considers a row of `attributeCount` attributes, each written over a value by `read`, which
    // is asked only for what the row needs: its primary keys first, the rest only if it is
    // kept. A kept row takes the slot of the one it replaces, and with it that row's room.
    using Reader = std::function<void(int attribute, StoreValue& into)>;
    void add(const Reader& read, int attributeCount);
    std::pair<std::int64_t, std::vector<StoredObject>> take();
    // True when `a` comes before `b` under `keys`, the order take() hands its rows in when
    // the keys tell every two rows apart.
    static bool before(const std::vector<std::pair<int, bool>>& keys, const StoredObject& a, const StoredObject& b);

private:
    // Kept rows live in slots that a replaced row hands on, so that the heap moves indices
    // and its comparisons read the primary keys from one array.
    bool before(std::uint32_t a, std::uint32_t b) const;
    // Negative when the first comes first on the primary keys, positive when the second does.
    int comparePrimary(const StoreValue* a, const StoreValue* b) const;
    int compareTies(const StoredObject& a, const StoredObject& b) const;
    const StoreValue* primaryOf(std::uint32_t slot) const { return &primaryValues_[slot * primary_]; }

    const std::vector<std::pair<int, bool>>* keys_;
    std::size_t limit_;
    std::size_t primary_;
    std::vector<StoreValue> primaryValues_; // primary_ per slot
    std::vector<StoredObject> objects_; // by slot
    std::vector<std::int64_t> sequences_; // by slot: the row's place in the pass
    std::vector<std::uint32_t> heap_; // slots, a max-heap under before(): its front is the worst kept row
    std::vector<StoreValue> probe_;
    StoreValue tie_;
    std::int64_t total_ = 0;
};

} // namespace vistrel
