#include "LowPriorityPool.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <sys/resource.h>
#include <unistd.h>

namespace vistrel {

namespace {

QThreadPool& pool()
{
    static QThreadPool* instance = [] {
        // Its jobs end before the application does, as the global pool's do.
        qAddPostRoutine([] { pool().waitForDone(); });
        return new QThreadPool;
    }();
    return *instance;
}

} // namespace

void LowPriorityPool::start(std::function<void()> job)
{
    pool().start([job = std::move(job)] {
        thread_local const bool lowered
            = ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), LowPriorityPool::niceness) == 0;
        (void)lowered;
        job();
    });
}

} // namespace vistrel
