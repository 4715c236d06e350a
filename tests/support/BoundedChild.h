#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace vistrel::testing {

// Runs `body` in a forked child whose address space may grow by at most `memoryBytes` and
// which is killed after `seconds`. Empty when the body returned true; otherwise what
// happened ("killed by signal 14" for a timeout, 6 for an abort, 11 for a stack overflow).
std::string runBoundedChild(const std::function<bool()>& body, std::size_t memoryBytes, unsigned seconds);

} // namespace vistrel::testing
