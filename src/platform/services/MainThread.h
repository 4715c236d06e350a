#pragma once

#include <QCoreApplication>
#include <QMetaObject>

#include <memory>

namespace vistrel {

// Runs `job` on the main thread unless its owner is gone by then (`alive` false). The
// application object receives the call: the owner itself may be destroyed while a worker
// still holds the job.
template <typename Job> void onMainThread(const std::shared_ptr<bool>& alive, Job job)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [alive, job = std::move(job)]() mutable {
            if (*alive)
                job();
        },
        Qt::QueuedConnection);
}

} // namespace vistrel
