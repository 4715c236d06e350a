#pragma once

#include <QTimer>

#include <functional>

namespace vistrel {

// Runs an action once, a set time after the last request: typing, resizing and filtering
// settle before the work starts. Main thread only.
class Debounce {
public:
    Debounce(int milliseconds, QObject* context, std::function<void()> action)
    {
        timer_.setSingleShot(true);
        timer_.setInterval(milliseconds);
        QObject::connect(&timer_, &QTimer::timeout, context, std::move(action));
    }

    // The action runs after the interval, unless another request comes first.
    void request() { timer_.start(); }
    void cancel() { timer_.stop(); }
    bool pending() const { return timer_.isActive(); }

private:
    QTimer timer_;
};

} // namespace vistrel
