#include "LowPriorityPool.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <mutex>

#include <sys/resource.h>
#include <unistd.h>

namespace vistrel {

namespace {

QThreadPool* instance = nullptr;

QThreadPool& pool()
{
    static std::once_flag made;
    std::call_once(made, [] {
        instance = new QThreadPool;
        // Its jobs end before the application does, as the global pool's do.
        qAddPostRoutine([] { instance->waitForDone(); });
    });
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
