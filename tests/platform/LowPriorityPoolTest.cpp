// Reads the window can wait for run below the window's thread, on threads of their own:
// Qt's global pool, which other work shares, keeps the window's priority.
#include "services/LowPriorityPool.h"

#include <gtest/gtest.h>

#include <QThreadPool>

#include <algorithm>
#include <chrono>
#include <future>

#include <sys/resource.h>
#include <unistd.h>

namespace vistrel {
namespace {

int ownNiceness()
{
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
}

TEST(LowPriorityPool, ItsJobsRunLoweredAndTheGlobalPoolKeepsItsPriority)
{
    const int window = ownNiceness();
    std::promise<int> low;
    LowPriorityPool::start([&low] { low.set_value(ownNiceness()); });
    std::future<int> lowered = low.get_future();
    ASSERT_EQ(lowered.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    // Without the right to raise a priority, a thread already nicer stays as it is.
    EXPECT_EQ(lowered.get(), std::max(window, LowPriorityPool::niceness));

    std::promise<int> shared;
    QThreadPool::globalInstance()->start([&shared] { shared.set_value(ownNiceness()); });
    std::future<int> global = shared.get_future();
    ASSERT_EQ(global.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(global.get(), window);
}

} // namespace
} // namespace vistrel
