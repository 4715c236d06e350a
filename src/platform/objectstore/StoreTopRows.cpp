#include "StoreTopRows.h"

#include "SqliteStatement.h"

#include <algorithm>

namespace vistrel {

// SQLite's order: absent < integer < bytes, which is also the variant's order.
int StoreTopRows::compare(const Candidate& a, const Candidate& b, std::size_t count) const
{
    const auto& keys = *keys_;
    for (std::size_t index = 0; index < count; ++index) {
        const auto order = a.sortValues[index] <=> b.sortValues[index];
        if (order != 0)
            return (order < 0) == keys[index].second ? -1 : 1;
    }
    return 0;
}

bool StoreTopRows::before(const Candidate& a, const Candidate& b) const
{
    const int order = compare(a, b, keys_->size());
    return order != 0 ? order < 0 : a.sequence < b.sequence;
}

void StoreTopRows::add(const SqliteStatement& statement)
{
    const auto worse = [this](const Candidate& a, const Candidate& b) { return before(a, b); };
    const auto& keys = *keys_;
    probe_.sortValues.clear();
    for (std::size_t index = 0; index < primary_; ++index)
        probe_.sortValues.push_back(statement.value(keys[index].first));
    probe_.sequence = total_++;
    if (heap_.size() >= limit_) {
        if (limit_ == 0 || compare(probe_, heap_.front(), primary_) > 0)
            return;
    }
    for (std::size_t index = primary_; index < keys.size(); ++index)
        probe_.sortValues.push_back(statement.value(keys[index].first));
    if (heap_.size() >= limit_) {
        if (!before(probe_, heap_.front()))
            return;
        std::pop_heap(heap_.begin(), heap_.end(), worse);
        heap_.pop_back();
    }
    probe_.object.values.clear();
    const int columns = statement.columnCount();
    for (int column = 0; column < columns; ++column)
        probe_.object.values.push_back(statement.value(column));
    heap_.push_back(std::move(probe_));
    std::push_heap(heap_.begin(), heap_.end(), worse);
    probe_ = Candidate{};
}

std::pair<std::int64_t, std::vector<StoredObject>> StoreTopRows::take()
{
    std::sort_heap(heap_.begin(), heap_.end(), [this](const Candidate& a, const Candidate& b) { return before(a, b); });
    std::pair<std::int64_t, std::vector<StoredObject>> result{total_, {}};
    result.second.reserve(heap_.size());
    for (Candidate& candidate : heap_)
        result.second.push_back(std::move(candidate.object));
    heap_.clear();
    total_ = 0;
    return result;
}

} // namespace vistrel
