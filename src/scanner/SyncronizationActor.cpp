#include "SyncronizationActor.h"

#include "services/ScanProgress.h"

#include <algorithm>

namespace vistrel {

FileSystemWalker::SyncronizationActor::SyncronizationActor(ScanProgress* progress, MainThreadHop runOnMainThread,
                                                           std::int64_t maxConcurrentTasks)
    : progress_(progress)
    , runOnMainThread_(std::move(runOnMainThread))
    , maxConcurrentTasks_(maxConcurrentTasks)
{
}

void FileSystemWalker::SyncronizationActor::advance(std::int64_t n)
{
    std::int64_t published = 0;
    {
        std::lock_guard lock(mutex_);
        value_ += n;
        if (value_ - lastSubmitted_ <= publishInterval)
            return;
        lastSubmitted_ = value_;
        published = value_;
    }
    if (!progress_ || !runOnMainThread_)
        return;
    // Jobs may run out of order: the count only ever moves forward.
    ScanProgress* progress = progress_;
    runOnMainThread_([progress, published] {
        if (progress->completedUnitCount() < published)
            progress->setCompletedUnitCount(published);
    });
}

std::int64_t FileSystemWalker::SyncronizationActor::reserveTasks(std::int64_t requested)
{
    std::lock_guard lock(mutex_);
    const std::int64_t granted = std::max<std::int64_t>(0, std::min(requested, maxConcurrentTasks_ - taskCount_));
    taskCount_ += granted;
    return granted;
}

void FileSystemWalker::SyncronizationActor::releaseTask()
{
    std::lock_guard lock(mutex_);
    --taskCount_;
}

std::int64_t FileSystemWalker::SyncronizationActor::value() const
{
    std::lock_guard lock(mutex_);
    return value_;
}

std::int64_t FileSystemWalker::SyncronizationActor::taskCount() const
{
    std::lock_guard lock(mutex_);
    return taskCount_;
}

} // namespace vistrel
