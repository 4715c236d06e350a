#pragma once

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vistrel::testing {

// Runs a program to its end and keeps what it wrote, as bytes.
struct CommandResult {
    int exitStatus = -1; // 128 + signal when killed by one
    std::string standardOutput;
    std::string standardError;
};

// `whileRunning`, when given, runs on a thread of its own with the program's pid while the
// program runs (to signal it at a known point, say). `environmentChanges` holds "NAME=value"
// to set and "NAME" to unset.
CommandResult runCommand(const std::vector<std::string>& arguments, const std::function<void(pid_t)>& whileRunning = {},
                         const std::vector<std::string>& environmentChanges = {});

// The lines of a program's output, without their line ends.
std::vector<std::string> linesOf(const std::string& text);

} // namespace vistrel::testing
