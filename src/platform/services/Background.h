#pragma once

#include "LifetimeToken.h"
#include "LowPriorityPool.h"
#include "MainThread.h"

#include <QThreadPool>

#include <utility>

namespace vistrel {

enum class BackgroundPriority {
    normal, // Qt's global pool
    low, // reads the window can wait for: LowPriorityPool
};

// The one way to work off the main thread: `work()` runs on a pool, then `deliver(result)` on
// the main thread, only while the owner of the token lives.
template <typename Work, typename Deliver>
void runInBackground(const LifetimeToken& owner, Work work, Deliver deliver,
                     BackgroundPriority priority = BackgroundPriority::normal)
{
    auto job = [owner = owner.watch(), work = std::move(work), deliver = std::move(deliver)]() mutable {
        auto result = work();
        onMainThread(std::move(owner), [deliver = std::move(deliver), result = std::move(result)]() mutable {
            deliver(std::move(result));
        });
    };
    if (priority == BackgroundPriority::low)
        LowPriorityPool::start(std::move(job));
    else
        QThreadPool::globalInstance()->start(std::move(job));
}

} // namespace vistrel
