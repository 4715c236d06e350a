// A subtree laid out as nested tiles: sizes, frames, the small-tile cut-off, hit testing
// and the row a click selects.
#include "map/MapLayout.h"
#include "MapTestSupport.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

using testing::files;
using testing::inside;

TEST(MapLayout, NestedTilesInTheirFramesSizedAndColoured)
{
    const auto subtree = files({{"/r/docs/", 3000},
                                {"/r/movie.mkv", 6000},
                                {"/r/docs/a.pdf", 2000},
                                {"/r/docs/b.txt", 1000},
                                {"/r/empty", 0},
                                {"/elsewhere/x", 500}});
    const MapLayout layout = MapLayout::build(FileUrl("/r/"), subtree, 300, 100);
    ASSERT_EQ(layout.tiles().size(), 4u) << "an empty file and an item outside take no tile";
    const auto& tiles = layout.tiles();
    const auto find = [&](const std::string& path) {
        for (const auto& tile : tiles)
            if (tile.path == path)
                return tile;
        ADD_FAILURE() << path;
        return MapLayout::Tile{};
    };
    const auto docs = find("/r/docs/");
    const auto movie = find("/r/movie.mkv");
    EXPECT_NEAR(movie.rect.area(), 2 * docs.rect.area(), 1e-6) << "sized by the allocated size";
    EXPECT_EQ(movie.category, FileTypeCategory::video);
    EXPECT_TRUE(docs.directory);
    EXPECT_EQ(find("/r/docs/a.pdf").depth, 2);
    ASSERT_TRUE(find("/r/docs/a.pdf").parent);
    EXPECT_EQ(tiles[*find("/r/docs/a.pdf").parent].path, "/r/docs/");
    EXPECT_FALSE(docs.parent);
    EXPECT_TRUE(inside(find("/r/docs/a.pdf").rect, docs.rect));
    EXPECT_LT(find("/r/docs/a.pdf").rect.area() + find("/r/docs/b.txt").rect.area(), docs.rect.area())
        << "a directory keeps a frame around its contents";
}

TEST(MapLayout, TilesTooSmallToSeeAreLeftToTheirFrame)
{
    std::vector<std::pair<std::string, std::int64_t>> items{{"/r/big", 1'000'000}};
    for (int index = 0; index < 5000; ++index)
        items.emplace_back("/r/tiny" + std::to_string(index), 1);
    const MapLayout layout = MapLayout::build(FileUrl("/r/"), files(items), 100, 100);
    ASSERT_EQ(layout.tiles().size(), 1u) << "5000 specks of a hundredth of a pixel make no tile";
    EXPECT_EQ(layout.tiles()[0].path, "/r/big");
    // Equal files: each one a tile where it reaches two pixels a side, none where it cannot,
    // however many there are.
    std::vector<std::pair<std::string, std::int64_t>> equal;
    for (int index = 0; index < 20000; ++index)
        equal.emplace_back("/r/f" + std::to_string(index), 7);
    const MapLayout roomy = MapLayout::build(FileUrl("/r/"), files(equal), 400, 400);
    EXPECT_EQ(roomy.tiles().size(), 20000u) << "8 pixels each";
    const MapLayout cramped = MapLayout::build(FileUrl("/r/"), files(equal), 100, 100);
    EXPECT_TRUE(cramped.tiles().empty()) << "half a pixel each";
    for (const MapLayout* built : {&layout, &roomy}) {
        for (const auto& tile : built->tiles()) {
            EXPECT_GE(tile.rect.width, MapLayout::minimumSide) << tile.path;
            EXPECT_GE(tile.rect.height, MapLayout::minimumSide) << tile.path;
        }
    }
}

TEST(MapLayout, WhatTheReadLeftOutKeepsItsRoomInTheFrame)
{
    // "/r/d/" holds 1000 but only a 250 item was read: it takes about a quarter of the inside.
    const MapLayout layout = MapLayout::build(FileUrl("/r/"), files({{"/r/d/", 1000}, {"/r/d/kept", 250}}), 202, 202);
    ASSERT_EQ(layout.tiles().size(), 2u);
    EXPECT_NEAR(layout.tiles()[1].rect.area(), 200.0 * 200.0 / 4, 1.0);
    // Anything smaller than the share cannot reach two pixels a side.
    const double share = MapLayout::smallestShare(1200, 400);
    EXPECT_NEAR(share * 1200 * 400, 4.0, 1e-9);
    EXPECT_EQ(MapLayout::smallestShare(0, 400), 1.0);
}

TEST(MapLayout, APointFindsTheDeepestTileAndAClickItsRow)
{
    const auto subtree = files({{"/r/d/", 100}, {"/r/d/e/", 100}, {"/r/d/e/f.txt", 100}});
    const MapLayout layout = MapLayout::build(FileUrl("/r/"), subtree, 200, 200);
    const auto hit = layout.tileAt(100, 100);
    ASSERT_TRUE(hit);
    EXPECT_EQ(layout.tiles()[*hit].path, "/r/d/e/f.txt");
    EXPECT_FALSE(layout.tileAt(-1, 5));
    EXPECT_FALSE(layout.tileAt(200, 5)) << "the far edge is outside";

    EXPECT_EQ(MapLayout::rowFor("/r/d/e/f.txt", FileUrl("/r/")), "/r/d/") << "the child that holds it";
    EXPECT_EQ(MapLayout::rowFor("/r/top.txt", FileUrl("/r/")), "/r/top.txt");
    EXPECT_EQ(MapLayout::rowFor("/r/d/", FileUrl("/r/")), "/r/d/");
    EXPECT_FALSE(MapLayout::rowFor("/other/x", FileUrl("/r/")));
    EXPECT_FALSE(MapLayout::rowFor("/r/", FileUrl("/r/"))) << "the directory itself is no row";
}

} // namespace
} // namespace vistrel
