#include "StoreTopRows.h"

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

int StoreTopRows::comparePrimary(const StoreValue* a, const StoreValue* b) const
{
    const auto& keys = *keys_;
    for (std::size_t index = 0; index < primary_; ++index) {
        if (const int order = compareValues(a[index], b[index]))
            return (order < 0) == keys[index].second ? -1 : 1;
    }
    return 0;
}

int StoreTopRows::compareTies(const StoredObject& a, const StoredObject& b) const
{
    const auto& keys = *keys_;
    for (std::size_t index = primary_; index < keys.size(); ++index) {
        const auto column = static_cast<std::size_t>(keys[index].first);
        if (const int order = compareValues(a.values[column], b.values[column]))
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

bool StoreTopRows::before(std::uint32_t a, std::uint32_t b) const
{
    int order = comparePrimary(primaryOf(a), primaryOf(b));
    if (order == 0)
        order = compareTies(objects_[a], objects_[b]);
    return order != 0 ? order < 0 : sequences_[a] < sequences_[b];
}

void StoreTopRows::add(const Reader& read, int attributeCount)
{
    const auto worse = [this](std::uint32_t a, std::uint32_t b) { return before(a, b); };
    const auto& keys = *keys_;
    probe_.resize(primary_);
    for (std::size_t index = 0; index < primary_; ++index)
        read(keys[index].first, probe_[index]);
    const std::int64_t sequence = total_++;
    std::uint32_t slot = 0;
    if (heap_.size() >= limit_) {
        if (limit_ == 0)
            return;
        const std::uint32_t worst = heap_.front();
        int order = comparePrimary(probe_.data(), primaryOf(worst));
        // A tie goes to the later keys, read from the row alone; equal on all of them, the
        // kept row came first.
        for (std::size_t index = primary_; order == 0 && index < keys.size(); ++index) {
            const int column = keys[index].first;
            read(column, tie_);
            if (const int values = compareValues(tie_, objects_[worst].values[static_cast<std::size_t>(column)]))
                order = (values < 0) == keys[index].second ? -1 : 1;
        }
        if (order >= 0)
            return;
        std::pop_heap(heap_.begin(), heap_.end(), worse);
        heap_.pop_back();
        slot = worst;
    } else {
        slot = static_cast<std::uint32_t>(objects_.size());
        objects_.emplace_back();
        sequences_.push_back(0);
        primaryValues_.resize(primaryValues_.size() + primary_);
    }
    std::swap_ranges(probe_.begin(), probe_.end(),
                     primaryValues_.begin() + static_cast<std::ptrdiff_t>(slot * primary_));
    sequences_[slot] = sequence;
    auto& values = objects_[slot].values;
    values.resize(static_cast<std::size_t>(attributeCount));
    for (int attribute = 0; attribute < attributeCount; ++attribute)
        read(attribute, values[static_cast<std::size_t>(attribute)]);
    heap_.push_back(slot);
    std::push_heap(heap_.begin(), heap_.end(), worse);
}

std::pair<std::int64_t, std::vector<StoredObject>> StoreTopRows::take()
{
    std::sort_heap(heap_.begin(), heap_.end(), [this](std::uint32_t a, std::uint32_t b) { return before(a, b); });
    std::pair<std::int64_t, std::vector<StoredObject>> result{total_, {}};
    result.second.reserve(heap_.size());
    for (const std::uint32_t slot : heap_)
        result.second.push_back(std::move(objects_[slot]));
    heap_.clear();
    objects_.clear();
    sequences_.clear();
    primaryValues_.clear();
    total_ = 0;
    return result;
}

} // namespace vistrel
