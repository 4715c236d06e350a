#include "map/GrowthSubtree.h"
#include "map/GrowthColour.h"
#include "map/MapLayout.h"

#include "filesystem/FileUrl.h"

#include <gtest/gtest.h>

#include <map>

namespace vistrel {
namespace {

// What was removed since the earlier snapshot keeps its earlier room; what only shrank below
// what the read keeps is not called removed; folders hold what their items now need.
TEST(GrowthSubtree, RemovedItemsKeepTheirEarlierRoomAndFoldersHoldThem)
{
    const std::vector<VistrelFileSubtree::Item> now{{"/r/a/", 10}, {"/r/kept", 5}, {"/r/a/x", 10}};
    const std::unordered_map<std::string, std::int64_t> then{{"/r/a/", 30},     {"/r/kept", 5},  {"/r/a/x", 10},
                                                             {"/r/a/gone", 20}, {"/r/old/", 50}, {"/r/old/f", 50},
                                                             {"/r/shrunk", 40}, {"/r/a/tiny", 1}};
    std::vector<std::string> asked;
    const auto merged = GrowthSubtree::merge(now, then, 16, 0, 2, [&](const std::string& path) {
        asked.push_back(path);
        return path == "/r/shrunk";
    });

    EXPECT_EQ(merged.removed, (std::unordered_set<std::string>{"/r/a/gone", "/r/old/", "/r/old/f"}));
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "/r/a/tiny"), 0) << "too small to be drawn: never asked";
    std::map<std::string, std::int64_t> sizes;
    std::int64_t lastLevel = 0;
    for (const auto& item : merged.items) {
        const std::int64_t level = FileUrl::pathComponentCount(item.id);
        EXPECT_GE(level, lastLevel) << "level by level: " << item.id;
        lastLevel = level;
        sizes[item.id] = item.allocatedSize;
    }
    EXPECT_EQ(sizes.at("/r/a/"), 30) << "the larger of then and now, and at least its items";
    EXPECT_EQ(sizes.at("/r/old/"), 50);
    EXPECT_FALSE(sizes.count("/r/shrunk"));
    EXPECT_EQ(merged.rootSize, 30 + 5 + 50);

    // Laid out, the removed items have tiles of their own, inside their folders.
    const MapLayout layout = MapLayout::build(FileUrl("/r/"), merged.items, 400, 300, {merged.rootSize, 0});
    std::map<std::string, const MapLayout::Tile*> tiles;
    for (const auto& tile : layout.tiles())
        tiles[tile.path] = &tile;
    ASSERT_TRUE(tiles.count("/r/a/gone"));
    ASSERT_TRUE(tiles.count("/r/old/f"));
    EXPECT_EQ(layout.tiles()[*tiles.at("/r/a/gone")->parent].path, "/r/a/");
    EXPECT_NEAR(tiles.at("/r/old/")->rect.width * tiles.at("/r/old/")->rect.height, 400.0 * 300 * 50 / 85,
                400.0 * 300 * 0.02);

    EXPECT_NE(GrowthColour::removed(false), GrowthColour::of(20, 0, false)) << "removed is not merely shrunk";
    EXPECT_NE(GrowthColour::removed(true), GrowthColour::of(20, 0, true));
}

// Asked at most the given number of times, largest first: a folder that lost thousands of
// items costs a bounded number of lookups.
TEST(GrowthSubtree, LookupsAreBoundedLargestFirst)
{
    std::unordered_map<std::string, std::int64_t> then;
    for (int index = 0; index < 100; ++index)
        then.emplace("/r/f" + std::to_string(index), 100 + index);
    std::vector<std::string> asked;
    const auto merged = GrowthSubtree::merge(
        {}, then, 0, 0, 1,
        [&](const std::string& path) {
            asked.push_back(path);
            return false;
        },
        10);
    ASSERT_EQ(asked.size(), 10u);
    EXPECT_EQ(asked.front(), "/r/f99");
    EXPECT_EQ(merged.removed.size(), 10u);
}

} // namespace
} // namespace vistrel
