#pragma once

#include <functional>

namespace vistrel {

// Threads for reads the window can wait for (the details of an item, the live figures of
// search results): below the window's own thread, as the snapshot's readers are. A pool of
// their own, so that lowering them leaves Qt's global pool, which other work shares, as it was.
class LowPriorityPool {
public:
    static void start(std::function<void()> job);
    // The niceness its threads run at.
    static constexpr int niceness = 5;
};

} // namespace vistrel
