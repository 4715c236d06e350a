#pragma once

#include "MapLayout.h"

#include <cstddef>
#include <vector>

namespace vistrel {

// Where the map writes names: a folder's in the band its frame keeps for it, a file's across
// the middle of its tile when the tile has room for a line of text. A box never leaves its
// tile, so a name is clipped to it, never drawn over a neighbour.
class MapLabels {
public:
    struct Label {
        std::size_t tile;
        SquarifiedLayout::Rect box;
        bool band = false; // a folder's name band, which also shows its size
    };

    // `lineHeight` and `minimumWidth` in the layout's pixels: tiles narrower or lower get none.
    static std::vector<Label> place(const MapLayout& layout, double lineHeight, double minimumWidth);
};

} // namespace vistrel
