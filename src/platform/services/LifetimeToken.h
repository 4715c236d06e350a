#pragma once

#include <atomic>
#include <memory>

namespace vistrel {

// Tells work that outlives its owner whether the owner is still there. The owner keeps one as a
// member; it clears itself when the owner goes. Jobs hold a Watch, which is cheap to copy.
class LifetimeToken {
public:
    class Watch {
    public:
        bool alive() const { return flag_->load(std::memory_order_acquire); }

    private:
        friend class LifetimeToken;
        explicit Watch(std::shared_ptr<const std::atomic<bool>> flag)
            : flag_(std::move(flag))
        {
        }
        std::shared_ptr<const std::atomic<bool>> flag_;
    };

    LifetimeToken() = default;
    ~LifetimeToken() { clear(); }
    LifetimeToken(const LifetimeToken&) = delete;
    LifetimeToken& operator=(const LifetimeToken&) = delete;

    Watch watch() const { return Watch(flag_); }
    // Before the owner is gone, where its destructor must stop deliveries first.
    void clear() { flag_->store(false, std::memory_order_release); }

private:
    std::shared_ptr<std::atomic<bool>> flag_ = std::make_shared<std::atomic<bool>>(true);
};

} // namespace vistrel
