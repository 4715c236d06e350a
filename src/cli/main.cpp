#include "Commands.h"

#include <cstdio>
#include <cstring>

namespace vistrel::cli {

namespace {
constexpr const char* usageText = "usage: vistrel-cli stat PATH...\n"
                                  "       vistrel-cli volume\n";
} // namespace

int usageError(const std::string& problem)
{
    if (!problem.empty())
        std::fprintf(stderr, "vistrel-cli: %s\n", problem.c_str());
    std::fputs(usageText, stderr);
    return exitUsage;
}

} // namespace vistrel::cli

int main(int argc, char** argv)
{
    using namespace vistrel::cli;
    if (argc < 2)
        return usageError("");
    const std::string command = argv[1];
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    if (command == "--help" || command == "-h") {
        std::fputs(usageText, stdout);
        return exitSuccess;
    }
    if (command == "stat")
        return runStat(arguments);
    if (command == "volume")
        return runVolume(arguments);
    return usageError("unknown command: " + command);
}
