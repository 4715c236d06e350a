#include "StoreTopRows.h"

#include "SqliteStatement.h"

#include <algorithm>

namespace vistrel {

namespace {

// SQLite's order: absent < integer < bytes, which is also the variant's order. Bytes compare
// unsigned, as memcmp does.
int compareValues(const StoreValue& a, const StoreValue& b)
{
    if (a.index() != b.index())
        return a.index() < b.index() ? -1 : 1;
    if (const auto* number = std::get_if<std::int64_t>(&a)) {
        const std::int64_t other = *std::get_if<std::int64_t>(&b);
        return *number < other ? -1 : *number > other ? 1 : 0;
    }
    if (const auto* text = std::get_if<std::string>(&a)) {
        const int order = text->compare(*std::get_if<std::string>(&b));
        return order < 0 ? -1 : order > 0 ? 1 : 0;
    }
    return 0;
}

} // namespace

int StoreTopRows::compare(const Candidate& a, const Candidate& b, std::size_t count) const
{
    const auto& keys = *keys_;
    for (std::size_t index = 0; index < count; ++index) {
        if (const int order = compareValues(a.sortValues[index], b.sortValues[index]))
            return (order < 0) == keys[index].second ? -1 : 1;
    }
    return 0;
}

bool StoreTopRows::before(const std::vector<std::pair<int, bool>>& keys, const StoredObject& a, const StoredObject& b)
{
    for (const auto& [column, ascending] : keys) {
        const auto index = static_cast<std::size_t>(column);
        if (const int order = compareValues(a.values[index], b.values[index]))
            return (order < 0) == ascending;
    }
    return false;
}

bool StoreTopRows::before(const Candidate& a, const Candidate& b) const
{
    const int order = compare(a, b, keys_->size());
    return order != 0 ? order < 0 : a.sequence < b.sequence;
}

void StoreTopRows::add(const SqliteStatement& statement)
{
    add([&statement](int column) { return statement.value(column); }, statement.columnCount());
}

void StoreTopRows::add(const std::function<StoreValue(int attribute)>& valueOf, int attributeCount)
{
    const auto worse = [this](const Candidate& a, const Candidate& b) { return before(a, b); };
    const auto& keys = *keys_;
    probe_.sortValues.clear();
    for (std::size_t index = 0; index < primary_; ++index)
        probe_.sortValues.push_back(valueOf(keys[index].first));
    probe_.sequence = total_++;
    if (heap_.size() >= limit_) {
        if (limit_ == 0 || compare(probe_, heap_.front(), primary_) > 0)
            return;
    }
    for (std::size_t index = primary_; index < keys.size(); ++index)
        probe_.sortValues.push_back(valueOf(keys[index].first));
    if (heap_.size() >= limit_) {
        if (!before(probe_, heap_.front()))
            return;
        std::pop_heap(heap_.begin(), heap_.end(), worse);
        heap_.pop_back();
    }
    probe_.object.values.clear();
    for (int attribute = 0; attribute < attributeCount; ++attribute)
        probe_.object.values.push_back(valueOf(attribute));
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
