#pragma once

#include <cstddef>
#include <functional>

namespace vistrel {

// Runs a job to its end on a new thread with a stack of the given size, and rethrows what
// it throws. Deep recursion (a directory tree thousands of levels deep) needs more than
// the 8 MiB a thread gets by default.
class LargeStackThread {
public:
    static void run(std::size_t stackBytes, const std::function<void()>& job);
};

} // namespace vistrel
