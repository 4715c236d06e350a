#pragma once

#include "map/MapLayout.h"

#include <QImage>

#include <cstdint>
#include <functional>
#include <vector>

namespace vistrel {

// Paints a map layout into an image with cushion shading (van Wijk and van de Wetering,
// 1999): every tile, and every directory it lies in, adds a ridge to a surface lit from the
// upper left, so nesting shows as shading without lines. Files take their type's colour;
// what the cut-off left to a directory's frame shows in a neutral one. Runs off the main
// thread; `cancelled` is asked between rows of tiles.
class MapRenderer {
public:
    // `tileColours`, when given, holds a 0xRRGGBB colour for each file tile instead of its type's.
    static QImage render(const MapLayout& layout, int width, int height, bool dark,
                         const std::function<bool()>& cancelled = {},
                         const std::vector<std::uint32_t>* tileColours = nullptr);
};

} // namespace vistrel
