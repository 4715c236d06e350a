#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vistrel {

enum class LogLevel { debug, info, error };

namespace LogCategory {
inline constexpr std::string_view app = "app";
inline constexpr std::string_view fileSystemWalker = "FileSystemWalker";
} // namespace LogCategory

struct LogRecord {
    LogLevel level;
    std::string category;
    std::string message;
};

// The one logging layer: syslog with the application id as ident, and stderr
// when it is a terminal, from the threshold on (info, or what VISTREL_LOG says: "debug",
// "info" or "error"). Tests replace the sink to capture lines; a sink gets every level.
class Log {
public:
    using Sink = std::function<void(const LogRecord&)>;

    static void write(LogLevel level, std::string_view category, std::string_view message);
    static void debug(std::string_view category, std::string_view message);
    static void info(std::string_view category, std::string_view message);
    static void error(std::string_view category, std::string_view message);

    // An empty sink restores the system sink. Returns the sink it replaces.
    static Sink setSink(Sink sink);
    // The lowest level the system sink writes for a VISTREL_LOG value (absent: info; a value
    // it does not know also means info).
    static LogLevel thresholdFor(const char* setting);
};

} // namespace vistrel
