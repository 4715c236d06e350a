// The map's model without a window: its types list, the highlighted category, and work
// given up when the screen is hidden.
#include "explorer/ExplorerTestSupport.h"

#include "mapview/MapModel.h"
#include "store/SnapshotReader.h"
#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <future>

namespace vistrel {
namespace {

using namespace testing;

class MapModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        container_ = snapshotOf({item("/r/", 0, 5), item("/r/clip.mp4", 8000), item("/r/d/", 3000, 3),
                                 item("/r/d/a.PNG", 1000), item("/r/d/b.jpg", 1500), item("/r/d/notes", 500),
                                 item("/other/x.mp4", 99999)});
        reader_ = std::make_shared<SnapshotReader>(container_);
    }

    std::shared_ptr<StoreContainer> container_;
    std::shared_ptr<SnapshotReader> reader_;
};

TEST_F(MapModelTest, TheTypesOfTheDirectoryLargestFirstAndOneHighlighted)
{
    MapModel map(reader_, FileUrl("/r/"));
    int highlights = 0;
    QObject::connect(&map, &MapModel::highlightChanged, [&] { ++highlights; });
    int builds = 0;
    QObject::connect(&map, &MapModel::changed, [&] { builds += map.busy() ? 1 : 0; });
    map.setSize(QSize(200, 100), false);
    EXPECT_TRUE(map.busy()) << "the first map starts at once";
    map.setSize(QSize(200, 100), false); // the pane told the same size again
    ASSERT_TRUE(waitUntil([&] { return !map.busy() && !map.typesBusy() && !map.types().empty(); }));
    EXPECT_EQ(builds, 1) << "the size on its way is not asked for twice";
    const auto& types = map.types();
    ASSERT_EQ(types.size(), 3u);
    EXPECT_EQ(types[0].category, FileTypeCategory::video);
    EXPECT_EQ(types[0].size, 8000) << "nothing from outside the directory";
    EXPECT_EQ(types[1].category, FileTypeCategory::images);
    EXPECT_EQ(types[1].size, 2500);
    EXPECT_EQ(types[1].fileCount, 2);
    EXPECT_DOUBLE_EQ(types[1].share, 2500.0 / 11000.0);
    EXPECT_EQ(types[2].category, FileTypeCategory::other);

    map.setHighlightedCategory(FileTypeCategory::images);
    map.setHighlightedCategory(FileTypeCategory::images);
    EXPECT_EQ(highlights, 1) << "the same category again changes nothing";
    map.setHighlightedCategory(std::nullopt);
    EXPECT_FALSE(map.highlightedCategory());
}

TEST_F(MapModelTest, AHiddenScreenGivesUpItsWorkAndTakesItUpWhenShownAgain)
{
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    reader_->post([opened](StoreContext&) { opened.wait(); }); // the reader is busy elsewhere
    MapModel map(reader_, FileUrl("/r/"));
    int finished = 0;
    QObject::connect(&map, &MapModel::changed, [&] { finished += map.busy() ? 0 : 1; });
    map.setSize(QSize(200, 100), false);
    ASSERT_TRUE(map.busy());
    map.suspend(); // navigated elsewhere before the read began
    EXPECT_FALSE(map.busy());
    EXPECT_FALSE(map.typesBusy());
    gate.set_value();
    // Whatever was queued for the hidden screen never arrives.
    std::promise<void> drained;
    reader_->post([&drained](StoreContext&) { drained.set_value(); });
    drained.get_future().wait();
    QCoreApplication::processEvents();
    EXPECT_EQ(finished, 0);
    EXPECT_TRUE(map.image().isNull());

    map.setSize(QSize(200, 100), false); // shown again
    ASSERT_TRUE(waitUntil([&] { return !map.image().isNull() && !map.busy() && !map.types().empty(); }));
    EXPECT_EQ(map.image().size(), QSize(200, 100));
    EXPECT_EQ(map.failure(), QString()) << "giving up is no failure";
}

} // namespace
} // namespace vistrel
