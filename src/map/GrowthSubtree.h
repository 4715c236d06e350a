#pragma once

#include "store/VistrelFileSubtree.h"

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vistrel {

// What a map coloured by growth lays out: the shown snapshot's items and those only the
// earlier snapshot held, each at the larger of its sizes then and now, and each folder at
// least as large as its items, so that what was removed keeps its earlier room.
struct GrowthSubtree {
    std::vector<VistrelFileSubtree::Item> items; // level by level, each level in path order
    std::unordered_set<std::string> removed;
    std::int64_t rootSize = 0;

    // `now` as VistrelFileSubtree reads it, `then` the earlier snapshot's sizes by path.
    // An earlier item missing from `now` at least `minimumSize` large is removed when
    // `existsNow` says the shown snapshot lacks it (`now` leaves small items out); at most
    // `maximumLookups` are asked, the largest first.
    static GrowthSubtree merge(std::vector<VistrelFileSubtree::Item> now,
                               const std::unordered_map<std::string, std::int64_t>& then, std::int64_t rootNow,
                               std::int64_t rootThen, std::int64_t minimumSize,
                               const std::function<bool(const std::string&)>& existsNow,
                               std::size_t maximumLookups = 2000);
};

} // namespace vistrel
