#pragma once

#include <cstdint>
#include <optional>

namespace vistrel {

// A map tile's colour by how its size changed since an earlier snapshot: red as it grew,
// green as it shrank, stronger the larger the change against its size; neutral grey when
// nothing changed. Absent `before`: new since (full red). 0xRRGGBB.
class GrowthColour {
public:
    static std::uint32_t of(std::optional<std::int64_t> before, std::int64_t after, bool dark);
    // An item only the earlier snapshot holds: blue, apart from both.
    static std::uint32_t removed(bool dark);
};

} // namespace vistrel
