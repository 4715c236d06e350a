#pragma once

// Timing the window's work as a person feels it: until something is shown, and the longest
// the main thread was too busy to tick.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace vistrel::bench {

// Runs the event loop until `done`; the milliseconds it took. The loop sleeps between events,
// as the window's does: processEvents() with a time limit never waits, and spinning in it
// would take a processor from the helpers being timed. A tick each millisecond wakes it to
// look at `done` again.
inline double timeUntil(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    QTimer tick;
    tick.setInterval(1);
    tick.setTimerType(Qt::PreciseTimer);
    tick.start();
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// The longest gap between two ticks of a 1 ms timer, beyond the tick itself.
class StallMonitor {
public:
    StallMonitor()
    {
        timer_.setInterval(1);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const double now = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
            if (last_ >= 0)
                longest_ = std::max(longest_, now - last_ - 1.0);
            last_ = now;
        });
        clock_.start();
        timer_.start();
    }
    double longest() const { return longest_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    double last_ = -1;
    double longest_ = 0;
};

} // namespace vistrel::bench
