#include "StorePathTable.h"

#include "StoreError.h"

#include <functional>

namespace vistrel {

StorePathTable::StorePathTable()
    : slots_(1024)
    , parent_{0}
    , nameStart_{0}
    , nameLength_{0}
{
}

std::uint32_t StorePathTable::number(std::string_view path)
{
    // Reuse the numbers of the components this path shares with the last one.
    std::size_t kept = 0;
    std::uint32_t node = 0;
    std::size_t start = 0;
    while (kept < lastNodes_.size()) {
        // Only this component: the ones before it matched already.
        const std::size_t end = lastNodes_[kept].first;
        if (end > path.size() || path.compare(start, end - start, lastPath_, start, end - start) != 0)
            break;
        node = lastNodes_[kept].second;
        start = end;
        ++kept;
    }
    lastNodes_.resize(kept);
    while (start < path.size()) {
        std::size_t end = path.find('/', start);
        end = end == std::string_view::npos ? path.size() : end + 1;
        node = child(node, path.substr(start, end - start));
        lastNodes_.emplace_back(end, node);
        start = end;
    }
    lastPath_.assign(path);
    return node;
}

std::uint32_t StorePathTable::child(std::uint32_t parent, std::string_view component)
{
    const std::uint64_t hash
        = std::hash<std::string_view>{}(component) ^ (std::uint64_t{parent} * 0x9e3779b97f4a7c15ULL);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
        const Slot& slot = slots_[index];
        if (slot.node == 0)
            break;
        if (slot.hash == hash && parent_[slot.node] == parent && nameLength_[slot.node] == component.size()
            && std::string_view(names_).substr(nameStart_[slot.node], component.size()) == component)
            return slot.node;
    }
    if (parent_.size() >= UINT32_MAX)
        throw StoreError(StoreError::Code::failed, "too many folders");
    const auto node = static_cast<std::uint32_t>(parent_.size());
    parent_.push_back(parent);
    nameStart_.push_back(names_.size());
    nameLength_.push_back(static_cast<std::uint32_t>(component.size()));
    names_.append(component);
    if (parent_.size() * 2 > slots_.size())
        grow();
    for (std::size_t index = hash & (slots_.size() - 1);; index = (index + 1) & (slots_.size() - 1)) {
        if (slots_[index].node == 0) {
            slots_[index] = Slot{hash, node};
            break;
        }
    }
    return node;
}

void StorePathTable::grow()
{
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.node == 0)
            continue;
        std::size_t index = slot.hash & mask;
        while (slots_[index].node != 0)
            index = (index + 1) & mask;
        slots_[index] = slot;
    }
}

} // namespace vistrel
