#include "GrowthColour.h"

#include <algorithm>
#include <cmath>

namespace vistrel {

namespace {

std::uint32_t mix(std::uint32_t from, std::uint32_t to, double amount)
{
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const double a = (from >> shift) & 0xff;
        const double b = (to >> shift) & 0xff;
        result |= static_cast<std::uint32_t>(std::lround(a + (b - a) * amount)) << shift;
    }
    return result;
}

} // namespace

std::uint32_t GrowthColour::of(std::optional<std::int64_t> before, std::int64_t after, bool dark)
{
    const std::uint32_t neutral = dark ? 0x5c5c62 : 0xc4c4ca;
    const std::uint32_t growth = 0xd03a2f;
    const std::uint32_t shrinking = 0x2e9a48;
    const double then = static_cast<double>(std::max<std::int64_t>(0, before.value_or(0)));
    const double now = static_cast<double>(std::max<std::int64_t>(0, after));
    const double larger = std::max(then, now);
    if (larger <= 0)
        return neutral;
    // The share of the tile that changed; its root so that a tenth already shows.
    const double ratio = (now - then) / larger;
    const double strength = std::sqrt(std::fabs(ratio));
    return mix(neutral, ratio >= 0 ? growth : shrinking, strength);
}

std::uint32_t GrowthColour::removed(bool dark)
{
    return dark ? 0x4b63d6 : 0x6f86f0;
}

} // namespace vistrel
