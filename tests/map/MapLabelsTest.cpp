// Where the map writes names, and the room a layout keeps for them and for what a folder's
// items do not fill.
#include "map/MapLabels.h"
#include "MapTestSupport.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

using testing::files;
using testing::inside;

TEST(MapLayout, ASingleSmallFileTakesItsShareOfTheFolderNotTheWholeMap)
{
    const auto alone = files({{"/r/small", 4096}});
    MapLayout::Options options;
    options.rootSize = 4096 * 100;
    const MapLayout layout = MapLayout::build(FileUrl("/r/"), alone, 400, 400, options);
    ASSERT_EQ(layout.tiles().size(), 1u);
    EXPECT_NEAR(layout.tiles()[0].rect.area(), 400.0 * 400.0 / 100, 1.0) << "a hundredth of the folder";
    EXPECT_NEAR(MapLayout::build(FileUrl("/r/"), alone, 400, 400).tiles()[0].rect.area(), 400.0 * 400.0, 1.0)
        << "without the folder's size, its items fill it";
}

TEST(MapLabels, FoldersKeepABandForTheirNameAndFilesWithRoomGetOne)
{
    const auto subtree = files({{"/r/big/", 9000},
                                {"/r/big/a.iso", 6000},
                                {"/r/big/b.log", 3000},
                                {"/r/tiny/", 10},
                                {"/r/tiny/x", 10},
                                {"/r/c.mkv", 1000}});
    MapLayout::Options options;
    options.labelHeight = 14;
    const MapLayout layout = MapLayout::build(FileUrl("/r/"), subtree, 600, 300, options);
    std::map<std::string, std::size_t> byPath;
    for (std::size_t index = 0; index < layout.tiles().size(); ++index)
        byPath[layout.tiles()[index].path] = index;
    const MapLayout::Tile& big = layout.tiles()[byPath.at("/r/big/")];
    EXPECT_EQ(big.labelBand, 14);
    for (const char* child : {"/r/big/a.iso", "/r/big/b.log"})
        EXPECT_GE(layout.tiles()[byPath.at(child)].rect.y, big.rect.y + 14) << child << " lies below the band";

    const auto labels = MapLabels::place(layout, 14, 30);
    std::map<std::string, MapLabels::Label> byTile;
    for (const auto& label : labels) {
        const MapLayout::Tile& tile = layout.tiles()[label.tile];
        EXPECT_TRUE(inside(label.box, tile.rect)) << tile.path << ": a name never leaves its tile";
        byTile.emplace(tile.path, label);
    }
    ASSERT_TRUE(byTile.count("/r/big/"));
    EXPECT_TRUE(byTile.at("/r/big/").band);
    EXPECT_LE(byTile.at("/r/big/").box.height, 14);
    ASSERT_TRUE(byTile.count("/r/big/a.iso"));
    EXPECT_FALSE(byTile.at("/r/big/a.iso").band);
    EXPECT_FALSE(byTile.count("/r/tiny/")) << "too small for a band";
    EXPECT_FALSE(byTile.count("/r/tiny/x"));
    EXPECT_TRUE(MapLabels::place(layout, 0, 30).empty());
    EXPECT_TRUE(MapLabels::place(layout, 14, 10000).empty()) << "no tile that wide";
}

} // namespace
} // namespace vistrel
