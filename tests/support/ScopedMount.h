#pragma once

#include <string>

namespace vistrel::testing {

// A tmpfs or a bind mount for one test, unmounted (lazily, so that an open folder never
// keeps it) on destruction. Mounting needs root: check mounted() and skip otherwise.
class ScopedMount {
public:
    static ScopedMount tmpfs(const std::string& at);
    static ScopedMount bind(const std::string& source, const std::string& at);
    ~ScopedMount();
    ScopedMount(ScopedMount&& other) noexcept;
    ScopedMount(const ScopedMount&) = delete;
    ScopedMount& operator=(const ScopedMount&) = delete;
    ScopedMount& operator=(ScopedMount&&) = delete;

    bool mounted() const { return !at_.empty(); }
    // Why it could not be mounted, for the skip message.
    const std::string& why() const { return why_; }

private:
    ScopedMount() = default;
    std::string at_;
    std::string why_;
};

} // namespace vistrel::testing
