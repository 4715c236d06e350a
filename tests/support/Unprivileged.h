#pragma once

#include <functional>
#include <optional>

namespace vistrel::testing {

// Runs `check` in a forked child that gave up root (as "nobody"), since root reads every
// directory. The check's verdict, or nothing when privileges could not be dropped.
std::optional<bool> runUnprivileged(const std::function<bool()>& check);

} // namespace vistrel::testing
