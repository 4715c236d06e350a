// The treemap's layout: areas in proportion, nothing overlapping, the rectangle filled, tiles
// close to square.
#include "map/SquarifiedLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace vistrel {
namespace {

using Rect = SquarifiedLayout::Rect;

double overlap(const Rect& a, const Rect& b)
{
    const double width = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    const double height = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    return width > 0 && height > 0 ? width * height : 0;
}

// Every property a layout must have, for any weights.
void expectSound(const std::vector<std::int64_t>& weights, const Rect& bounds)
{
    const auto tiles = SquarifiedLayout::layout(weights, bounds);
    ASSERT_EQ(tiles.size(), weights.size());
    double total = 0;
    for (const auto weight : weights)
        total += std::max<std::int64_t>(weight, 0);
    double covered = 0;
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const Rect& tile = tiles[i];
        if (weights[i] <= 0) {
            EXPECT_EQ(tile.area(), 0) << "item " << i;
            continue;
        }
        EXPECT_NEAR(tile.area(), bounds.area() * static_cast<double>(weights[i]) / total, bounds.area() * 1e-9)
            << "item " << i;
        EXPECT_GE(tile.x, bounds.x - 1e-9);
        EXPECT_GE(tile.y, bounds.y - 1e-9);
        EXPECT_LE(tile.x + tile.width, bounds.x + bounds.width + 1e-6);
        EXPECT_LE(tile.y + tile.height, bounds.y + bounds.height + 1e-6);
        covered += tile.area();
        for (std::size_t j = i + 1; j < tiles.size(); ++j)
            EXPECT_LT(overlap(tile, tiles[j]), bounds.area() * 1e-9) << i << " and " << j;
    }
    if (total > 0) {
        EXPECT_NEAR(covered, bounds.area(), bounds.area() * 1e-9) << "the rectangle is filled";
    }
}

TEST(SquarifiedLayout, ThePapersExampleAndItsProperties)
{
    // 6 by 4 with 6, 6, 4, 3, 2, 2, 1: the first row is the two 6s, a column 3 wide.
    const std::vector<std::int64_t> weights{6, 6, 4, 3, 2, 2, 1};
    const Rect bounds{0, 0, 6, 4};
    const auto tiles = SquarifiedLayout::layout(weights, bounds);
    EXPECT_DOUBLE_EQ(tiles[0].width, 3);
    EXPECT_DOUBLE_EQ(tiles[0].height, 2);
    EXPECT_DOUBLE_EQ(tiles[1].y, 2);
    double worst = 0;
    for (const Rect& tile : tiles)
        worst = std::max(worst, SquarifiedLayout::aspectRatio(tile));
    EXPECT_LE(worst, 3.0);
    expectSound(weights, bounds);
    expectSound({5, 1, 3}, Rect{10, 20, 300, 50});
    expectSound({1}, Rect{0, 0, 7, 3});
}

TEST(SquarifiedLayout, TilesStayCloseToSquareOnSkewedWeights)
{
    std::vector<std::int64_t> equal(100, 7);
    double worst = 0;
    for (const Rect& tile : SquarifiedLayout::layout(equal, Rect{0, 0, 1000, 1000}))
        worst = std::max(worst, SquarifiedLayout::aspectRatio(tile));
    EXPECT_LE(worst, 2.0) << "equal weights in a square";

    // A geometric series, as directory sizes often are; shuffled, since input order must not matter.
    std::vector<std::int64_t> skewed;
    for (int i = 0; i < 40; ++i)
        skewed.push_back(static_cast<std::int64_t>(std::pow(1.5, 40 - i)) + 1);
    std::rotate(skewed.begin(), skewed.begin() + 17, skewed.end());
    const auto tiles = SquarifiedLayout::layout(skewed, Rect{0, 0, 1200, 400});
    std::vector<double> ratios;
    for (const Rect& tile : tiles)
        ratios.push_back(SquarifiedLayout::aspectRatio(tile));
    std::sort(ratios.begin(), ratios.end());
    EXPECT_LE(ratios[ratios.size() * 3 / 4], 3.0) << "most tiles are near square";
    expectSound(skewed, Rect{0, 0, 1200, 400});
}

TEST(SquarifiedLayout, ZeroAndNegativeWeightsGetNothing)
{
    expectSound({0, 4, 0, -3, 4}, Rect{0, 0, 10, 10});
    expectSound({0, 0}, Rect{0, 0, 10, 10});
    const auto none = SquarifiedLayout::layout({3, 2}, Rect{0, 0, 0, 10});
    EXPECT_EQ(none[0].area(), 0) << "an empty rectangle holds nothing";
    EXPECT_TRUE(SquarifiedLayout::layout({}, Rect{0, 0, 5, 5}).empty());
    EXPECT_TRUE(std::isinf(SquarifiedLayout::aspectRatio(Rect{})));
    EXPECT_TRUE((Rect{1, 1, 2, 2}.contains(1, 2.5)));
    EXPECT_FALSE((Rect{1, 1, 2, 2}.contains(3, 1))) << "the far edges belong to the neighbour";
}

} // namespace
} // namespace vistrel
