#pragma once

#include "services/Log.h"

#include <mutex>
#include <vector>

namespace vistrel {

// Installs itself as the log sink for its lifetime and keeps every line; thread-safe.
class CapturingLogSink {
public:
    CapturingLogSink();
    ~CapturingLogSink();
    CapturingLogSink(const CapturingLogSink&) = delete;
    CapturingLogSink& operator=(const CapturingLogSink&) = delete;

    std::vector<LogRecord> records() const;
    bool contains(LogLevel level, std::string_view category, std::string_view messagePart) const;

private:
    mutable std::mutex mutex_;
    std::vector<LogRecord> records_;
    Log::Sink previous_;
};

} // namespace vistrel
