#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace vistrel {

class StoreContainer;
class StoreContext;

// Runs reads of one snapshot on a thread of its own, one after the other, each with the
// reader's own context, so that the thread that shows the snapshot never waits for the store.
// Jobs hand their results back themselves (to the main thread through Qt's queued calls).
class SnapshotReader {
public:
    explicit SnapshotReader(std::shared_ptr<StoreContainer> container);
    // Lets the running job end and drops the waiting ones.
    ~SnapshotReader();
    SnapshotReader(const SnapshotReader&) = delete;
    SnapshotReader& operator=(const SnapshotReader&) = delete;

    const std::shared_ptr<StoreContainer>& container() const { return container_; }

    using Job = std::function<void(StoreContext&)>;
    void post(Job job);

    // Lets whoever posted a job give it up: a waiting job never runs, a running one has its
    // query interrupted (it sees a StoreError) and the reader goes on with a fresh context.
    class Ticket {
    public:
        void cancel();
        bool cancelled() const;

    private:
        friend class SnapshotReader;
        mutable std::mutex mutex_;
        bool cancelled_ = false;
        StoreContext* running_ = nullptr;
    };
    std::shared_ptr<Ticket> postCancellable(Job job);

private:
    void run();

    std::shared_ptr<StoreContainer> container_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    StoreContext* context_ = nullptr; // guarded by mutex_; the reader thread's own
    std::thread thread_;
};

} // namespace vistrel
