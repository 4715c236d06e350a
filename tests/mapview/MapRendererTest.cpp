// The map's image: type colours, cushions lit from the upper left, and cancellation.
#include "mapview/MapRenderer.h"

#include <gtest/gtest.h>

#include <QColor>

namespace vistrel {
namespace {

TEST(MapRenderer, TilesAreCushionsInTheirTypesColour)
{
    const std::vector<VistrelFileSubtree::Item> subtree{{"/r/song.flac", 100}, {"/r/d/", 100}, {"/r/d/pic.png", 100}};
    const MapLayout layout = MapLayout::build(FileUrl("/r/"), subtree, 200, 100);
    ASSERT_EQ(layout.tiles().size(), 3u);
    const QImage image = MapRenderer::render(layout, 200, 100, false);
    ASSERT_EQ(image.size(), QSize(200, 100));

    for (const auto& tile : layout.tiles()) {
        if (tile.directory)
            continue;
        const int cx = static_cast<int>(tile.rect.x + tile.rect.width / 2);
        const int cy = static_cast<int>(tile.rect.y + tile.rect.height / 2);
        const QColor centre = image.pixelColor(cx, cy);
        const QColor expected = QColor::fromRgb(FileTypeCategory::colour(tile.category, false));
        EXPECT_NEAR(centre.hueF(), expected.hueF(), 0.02) << tile.path;
        // Lit from the upper left: the lower right corner of the cushion is darker than its top.
        const QColor corner = image.pixelColor(static_cast<int>(tile.rect.x + tile.rect.width) - 2,
                                               static_cast<int>(tile.rect.y + tile.rect.height) - 2);
        EXPECT_GT(centre.lightnessF(), corner.lightnessF()) << tile.path;
    }
    EXPECT_NE(image.pixelColor(60, 50), image.pixelColor(150, 50)) << "audio and image files tell apart";

    EXPECT_TRUE(MapRenderer::render(layout, 200, 100, false, [] { return true; }).isNull())
        << "a cancelled render gives nothing";
}

} // namespace
} // namespace vistrel
