#include "MapLabels.h"

namespace vistrel {

namespace {

constexpr double inset = 2.0;
// A folder's name keeps clear of the selection outline drawn along its frame.
constexpr double bandInset = 6.0;

} // namespace

std::vector<MapLabels::Label> MapLabels::place(const MapLayout& layout, double lineHeight, double minimumWidth)
{
    std::vector<Label> labels;
    if (lineHeight <= 0)
        return labels;
    const auto& tiles = layout.tiles();
    for (std::size_t index = 0; index < tiles.size(); ++index) {
        const MapLayout::Tile& tile = tiles[index];
        const auto& rect = tile.rect;
        if (rect.width < minimumWidth + 2 * bandInset)
            continue;
        if (tile.directory) {
            if (tile.labelBand > 0)
                labels.push_back(
                    {index, {rect.x + bandInset, rect.y + 1, rect.width - 2 * bandInset, tile.labelBand - 1}, true});
        } else if (rect.height >= lineHeight + 2 * inset) {
            labels.push_back(
                {index,
                 {rect.x + inset, rect.y + (rect.height - lineHeight) / 2, rect.width - 2 * inset, lineHeight},
                 false});
        }
    }
    return labels;
}

} // namespace vistrel
