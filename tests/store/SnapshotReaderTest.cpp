// Giving up a read: a waiting job never runs, a running one is interrupted, and the reader
// goes on with a context that works.
#include "store/SnapshotReader.h"
#include "store/StoreTestSupport.h"
#include "store/VistrelModelContainer.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "objectstore/StoreError.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace vistrel {
namespace {

using namespace testing;

bool eventually(const std::atomic<bool>& flag)
{
    for (int attempt = 0; attempt < 1000 && !flag; ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return flag;
}

TEST(SnapshotReader, ACancelledJobStopsAndTheReaderGoesOn)
{
    auto container = VistrelModelContainer::shared().makeContainer(true);
    save(*container, {recordFor("/a/"), recordFor("/a/x", 1), recordFor("/a/y", 2)});
    SnapshotReader reader(container);

    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    reader.post([opened](StoreContext&) { opened.wait(); }); // holds the reader's thread
    std::atomic<bool> queuedRan{false};
    reader.postCancellable([&](StoreContext&) { queuedRan = true; })->cancel();

    std::atomic<bool> started{false};
    std::atomic<bool> interrupted{false};
    auto running = reader.postCancellable([&](StoreContext& context) {
        started = true;
        try {
            for (;;)
                context.fetch({});
        } catch (const StoreError&) {
            interrupted = true;
        }
    });
    gate.set_value();
    ASSERT_TRUE(eventually(started));
    EXPECT_FALSE(running->cancelled());
    running->cancel();
    ASSERT_TRUE(eventually(interrupted)) << "a query that would run forever ends";
    EXPECT_TRUE(running->cancelled());

    std::promise<std::size_t> rows;
    reader.post([&rows](StoreContext& context) { rows.set_value(context.fetch({}).size()); });
    auto counted = rows.get_future();
    ASSERT_EQ(counted.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(counted.get(), 3u) << "the next job reads with a fresh context";
    EXPECT_FALSE(queuedRan) << "a job given up before it began never runs";
}

} // namespace
} // namespace vistrel
