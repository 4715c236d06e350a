#include "Log.h"

#include "ApplicationIdentity.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <syslog.h>
#include <unistd.h>

namespace vistrel {

namespace {

std::mutex sinkMutex;
Log::Sink currentSink;

int syslogPriority(LogLevel level)
{
    switch (level) {
    case LogLevel::debug:
        return LOG_DEBUG;
    case LogLevel::info:
        return LOG_INFO;
    case LogLevel::error:
        return LOG_ERR;
    }
    return LOG_INFO;
}

const char* levelName(LogLevel level)
{
    switch (level) {
    case LogLevel::debug:
        return "debug";
    case LogLevel::info:
        return "info";
    case LogLevel::error:
        return "error";
    }
    return "info";
}

void writeToSystem(const LogRecord& record)
{
    static const LogLevel threshold = Log::thresholdFor(std::getenv("VISTREL_LOG"));
    if (record.level < threshold)
        return;
    static std::once_flag opened;
    std::call_once(opened, [] { ::openlog(applicationId, LOG_PID, LOG_USER); });
    ::syslog(syslogPriority(record.level), "[%s] %s", record.category.c_str(), record.message.c_str());
    static const bool toTerminal = ::isatty(STDERR_FILENO) == 1;
    if (toTerminal)
        std::fprintf(stderr, "%s [%s] %s\n", levelName(record.level), record.category.c_str(), record.message.c_str());
}

} // namespace

void Log::write(LogLevel level, std::string_view category, std::string_view message)
{
    const LogRecord record{level, std::string(category), std::string(message)};
    Sink sink;
    {
        std::lock_guard lock(sinkMutex);
        sink = currentSink;
    }
    if (sink)
        sink(record);
    else
        writeToSystem(record);
}

void Log::debug(std::string_view category, std::string_view message)
{
    write(LogLevel::debug, category, message);
}

void Log::info(std::string_view category, std::string_view message)
{
    write(LogLevel::info, category, message);
}

void Log::error(std::string_view category, std::string_view message)
{
    write(LogLevel::error, category, message);
}

Log::Sink Log::setSink(Sink sink)
{
    std::lock_guard lock(sinkMutex);
    Sink previous = std::move(currentSink);
    currentSink = std::move(sink);
    return previous;
}

LogLevel Log::thresholdFor(const char* setting)
{
    if (setting && std::strcmp(setting, "debug") == 0)
        return LogLevel::debug;
    if (setting && std::strcmp(setting, "error") == 0)
        return LogLevel::error;
    return LogLevel::info;
}

} // namespace vistrel
