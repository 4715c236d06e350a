#pragma once

#include "FileSystemWalker.h"

#include <mutex>

namespace vistrel {

// The walk's shared counters: records submitted, the progress last published, and the
// parallel task budget. One operation at a time.
class FileSystemWalker::SyncronizationActor {
public:
    SyncronizationActor(ScanProgress* progress, MainThreadHop runOnMainThread, std::int64_t maxConcurrentTasks);

    // Counts n more records; publishes the total to the progress object, on the user-interface
    // thread, once it has grown by more than 10,000 since the last publication.
    void advance(std::int64_t n);
    // Grants up to `requested` units of the budget.
    std::int64_t reserveTasks(std::int64_t requested);
    void releaseTask();

    std::int64_t value() const;
    std::int64_t taskCount() const;

    static constexpr std::int64_t publishInterval = 10000;

private:
    mutable std::mutex mutex_;
    std::int64_t value_ = 0;
    std::int64_t lastSubmitted_ = 0;
    ScanProgress* progress_;
    std::int64_t taskCount_ = 0;
    MainThreadHop runOnMainThread_;
    std::int64_t maxConcurrentTasks_;
};

} // namespace vistrel
