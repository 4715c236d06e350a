#pragma once

#include "StoreContext.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace vistrel {

class SqliteStatement;

// The best `limit` rows of a pass under sort keys (column, ascending), and how many rows the
// pass had: a bounded heap, so that a pass over a million rows holds `limit` of them.
// Rows equal under the keys keep the order they came in.
class StoreTopRows {
public:
    // The keys from `primary` on only break ties: a row plainly worse than every kept one is
    // dropped without reading them.
    StoreTopRows(const std::vector<std::pair<int, bool>>& keys, std::size_t limit, std::size_t primary = SIZE_MAX)
        : keys_(&keys)
        , limit_(limit)
        , primary_(std::min(primary, keys.size()))
    {
    }

    // Considers the statement's current row, whose columns are the attributes in order.
    void add(const SqliteStatement& statement);
    // Considers a row of `attributeCount` attributes read through `valueOf`, which is asked
    // only for what the row needs: its sort keys first, the rest only if it is kept.
    void add(const std::function<StoreValue(int attribute)>& valueOf, int attributeCount);
    std::pair<std::int64_t, std::vector<StoredObject>> take();
    // True when `a` comes before `b` under `keys`, the order take() hands its rows in when
    // the keys tell every two rows apart.
    static bool before(const std::vector<std::pair<int, bool>>& keys, const StoredObject& a, const StoredObject& b);

private:
    struct Candidate {
        std::vector<StoreValue> sortValues;
        std::int64_t sequence = 0;
        StoredObject object;
    };
    bool before(const Candidate& a, const Candidate& b) const;
    // Negative when a comes first on the first `count` keys, positive when b does.
    int compare(const Candidate& a, const Candidate& b, std::size_t count) const;

    const std::vector<std::pair<int, bool>>* keys_;
    std::size_t limit_;
    std::size_t primary_;
    std::vector<Candidate> heap_; // a max-heap under before(): its front is the worst kept row
    std::int64_t total_ = 0;
    Candidate probe_;
};

} // namespace vistrel
