#pragma once

#include <string>
#include <vector>

namespace vistrel::cli {

// Exit statuses shared by every command.
inline constexpr int exitSuccess = 0;
inline constexpr int exitFailure = 1;
inline constexpr int exitUsage = 2;

// Each command takes the arguments after its name.
int runStat(const std::vector<std::string>& arguments);
int runVolume(const std::vector<std::string>& arguments);

// Prints the usage text on stderr and returns exitUsage.
int usageError(const std::string& problem);

} // namespace vistrel::cli
