#include "SnapshotReader.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "objectstore/StoreError.h"
#include "services/Log.h"

#include <sys/resource.h>
#include <unistd.h>

namespace vistrel {

SnapshotReader::SnapshotReader(std::shared_ptr<StoreContainer> container)
    : container_(std::move(container))
    , thread_([this] { run(); })
{
}

SnapshotReader::~SnapshotReader()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
        // A long query must not keep whoever closes the snapshot waiting.
        if (context_)
            context_->interrupt();
    }
    wake_.notify_one();
    thread_.join();
}

void SnapshotReader::post(Job job)
{
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void SnapshotReader::Ticket::cancel()
{
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    if (running_)
        running_->interrupt();
}

bool SnapshotReader::Ticket::cancelled() const
{
    std::lock_guard lock(mutex_);
    return cancelled_;
}

std::shared_ptr<SnapshotReader::Ticket> SnapshotReader::postCancellable(Job job)
{
    auto ticket = std::make_shared<Ticket>();
    post([ticket, job = std::move(job)](StoreContext& context) {
        {
            std::lock_guard lock(ticket->mutex_);
            if (ticket->cancelled_)
                return;
            ticket->running_ = &context;
        }
        try {
            job(context);
        } catch (...) {
            std::lock_guard lock(ticket->mutex_);
            ticket->running_ = nullptr;
            throw;
        }
        std::lock_guard lock(ticket->mutex_);
        ticket->running_ = nullptr;
    });
    return ticket;
}

void SnapshotReader::run()
{
    // Below the window's own thread: on a busy machine a long query yields the processor to
    // the thread that draws and takes input.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 5);
    std::unique_ptr<StoreContext> context;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) {
                context_ = nullptr;
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        try {
            if (!context) {
                context = container_->makeContext();
                std::lock_guard lock(mutex_);
                context_ = context.get();
            }
            job(*context);
        } catch (const std::exception& error) { // store errors, and anything a damaged store provokes
            // Jobs report their own failures; this one escaped.
            Log::error(LogCategory::app, std::string("snapshot read failed: ") + error.what());
        }
        // An interrupted context refuses every later query: a cancelled job's is replaced.
        if (context && context->interrupted()) {
            {
                std::lock_guard lock(mutex_);
                context_ = nullptr;
            }
            context.reset();
        }
    }
}

} // namespace vistrel
