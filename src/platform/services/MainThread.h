#pragma once

#include "LifetimeToken.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace vistrel {

// Runs `job` on the main thread unless its owner is gone by then. The application object
// receives the call: the owner itself may be destroyed while a worker still holds the job.
template <typename Job> void onMainThread(LifetimeToken::Watch owner, Job job)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [owner = std::move(owner), job = std::move(job)]() mutable {
            if (owner.alive())
                job();
        },
        Qt::QueuedConnection);
}

} // namespace vistrel
