#include "CapturingLogSink.h"

namespace vistrel {

CapturingLogSink::CapturingLogSink()
{
    previous_ = Log::setSink([this](const LogRecord& record) {
        std::lock_guard lock(mutex_);
        records_.push_back(record);
    });
}

CapturingLogSink::~CapturingLogSink()
{
    Log::setSink(std::move(previous_));
}

std::vector<LogRecord> CapturingLogSink::records() const
{
    std::lock_guard lock(mutex_);
    return records_;
}

bool CapturingLogSink::contains(LogLevel level, std::string_view category, std::string_view messagePart) const
{
    std::lock_guard lock(mutex_);
    for (const auto& record : records_) {
        if (record.level == level && record.category == category
            && record.message.find(messagePart) != std::string::npos)
            return true;
    }
    return false;
}

} // namespace vistrel
