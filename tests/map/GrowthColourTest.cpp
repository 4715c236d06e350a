#include "map/GrowthColour.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

int red(std::uint32_t colour)
{
    return static_cast<int>((colour >> 16) & 0xff);
}
int green(std::uint32_t colour)
{
    return static_cast<int>((colour >> 8) & 0xff);
}

TEST(GrowthColour, RedForGrowthGreenForShrinkingStrongerWithTheShareThatChanged)
{
    const std::uint32_t neutral = GrowthColour::of(500, 500, false);
    EXPECT_EQ(red(neutral), green(neutral)) << "nothing changed: grey";
    EXPECT_EQ(GrowthColour::of(0, 0, false), neutral) << "no size at all is no change";
    EXPECT_NE(GrowthColour::of(500, 500, true), neutral) << "the dark theme has its own grey";

    const std::uint32_t grewALittle = GrowthColour::of(1000, 1100, false);
    const std::uint32_t grewALot = GrowthColour::of(1000, 9000, false);
    const std::uint32_t isNew = GrowthColour::of(std::nullopt, 9000, false);
    EXPECT_GT(red(grewALittle), green(grewALittle));
    EXPECT_GT(red(grewALot) - green(grewALot), red(grewALittle) - green(grewALittle));
    EXPECT_EQ(isNew, GrowthColour::of(0, 9000, false));
    EXPECT_GT(red(isNew) - green(isNew), red(grewALot) - green(grewALot)) << "new is the strongest red";

    const std::uint32_t shrank = GrowthColour::of(9000, 1000, false);
    const std::uint32_t gone = GrowthColour::of(9000, 0, false);
    EXPECT_GT(green(shrank), red(shrank));
    EXPECT_GT(green(gone) - red(gone), green(shrank) - red(shrank));
    // A tenth already shows: the strength follows the root of the share.
    const std::uint32_t tenth = GrowthColour::of(900, 1000, false);
    EXPECT_GT(red(tenth) - green(tenth), 40);
}

} // namespace
} // namespace vistrel
