#include "GrowthSubtree.h"

#include "filesystem/FileUrl.h"

#include <algorithm>

namespace vistrel {

namespace {

std::string parentOf(const std::string& path)
{
    return FileUrl(path).parentDirectory().path();
}

} // namespace

GrowthSubtree GrowthSubtree::merge(std::vector<VistrelFileSubtree::Item> now,
                                   const std::unordered_map<std::string, std::int64_t>& then, std::int64_t rootNow,
                                   std::int64_t rootThen, std::int64_t minimumSize,
                                   const std::function<bool(const std::string&)>& existsNow, std::size_t maximumLookups)
{
    GrowthSubtree merged;
    std::unordered_map<std::string, std::size_t> index;
    index.reserve(now.size());
    for (std::size_t position = 0; position < now.size(); ++position)
        index.emplace(now[position].id, position);

    std::vector<std::pair<std::int64_t, const std::string*>> missing;
    for (const auto& [path, size] : then)
        if (size >= std::max<std::int64_t>(minimumSize, 1) && !index.count(path))
            missing.emplace_back(size, &path);
    std::sort(missing.begin(), missing.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    if (missing.size() > maximumLookups)
        missing.resize(maximumLookups);
    for (const auto& [size, path] : missing) {
        if (existsNow(*path))
            continue; // still there, only too small now to be read
        merged.removed.insert(*path);
        index.emplace(*path, now.size());
        now.push_back({*path, size});
    }

    // Each item at the larger of then and now, deepest first so that a folder can take in
    // what its items now need.
    for (auto& item : now)
        if (const auto found = then.find(item.id); found != then.end())
            item.allocatedSize = std::max(item.allocatedSize, found->second);
    std::vector<std::int64_t> levels(now.size());
    for (std::size_t position = 0; position < now.size(); ++position)
        levels[position] = FileUrl::pathComponentCount(now[position].id);
    std::vector<std::size_t> order(now.size());
    for (std::size_t position = 0; position < order.size(); ++position)
        order[position] = position;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return levels[a] != levels[b] ? levels[a] < levels[b] : now[a].id < now[b].id;
    });
    std::vector<std::int64_t> held(now.size(), 0);
    std::int64_t rootHeld = 0;
    for (auto position = order.rbegin(); position != order.rend(); ++position) {
        auto& item = now[*position];
        item.allocatedSize = std::max(item.allocatedSize, held[*position]);
        const auto parent = index.find(parentOf(item.id));
        if (parent != index.end())
            held[parent->second] += item.allocatedSize;
        else if (levels[*position] == levels[order.front()])
            rootHeld += item.allocatedSize;
    }
    merged.rootSize = std::max({rootNow, rootThen, rootHeld});
    merged.items.reserve(now.size());
    for (const std::size_t position : order)
        merged.items.push_back(std::move(now[position]));
    return merged;
}

} // namespace vistrel
