#pragma once

#include <string>
#include <vector>

namespace vistrel::testing {

// Runs a program to its end and keeps what it wrote, as bytes.
struct CommandResult {
    int exitStatus = -1; // 128 + signal when killed by one
    std::string standardOutput;
    std::string standardError;
};

// With interruptAfterMilliseconds > 0, the program gets SIGINT (Ctrl-C) after that long.
CommandResult runCommand(const std::vector<std::string>& arguments, int interruptAfterMilliseconds = 0);

// The lines of a program's output, without their line ends.
std::vector<std::string> linesOf(const std::string& text);

} // namespace vistrel::testing
