#pragma once

#include "map/MapLayout.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vistrel::testing {

// A subtree as VistrelFileSubtree reads it, from (path, allocated size) pairs.
inline std::vector<VistrelFileSubtree::Item> files(const std::vector<std::pair<std::string, std::int64_t>>& items)
{
    std::vector<VistrelFileSubtree::Item> result;
    for (const auto& [path, size] : items)
        result.push_back({path, size});
    return result;
}

// Whether `inner` lies within `outer`, up to rounding.
inline bool inside(const SquarifiedLayout::Rect& inner, const SquarifiedLayout::Rect& outer)
{
    return inner.x >= outer.x - 1e-9 && inner.y >= outer.y - 1e-9
        && inner.x + inner.width <= outer.x + outer.width + 1e-9
        && inner.y + inner.height <= outer.y + outer.height + 1e-9;
}

} // namespace vistrel::testing
