#include "Commands.h"

#include "filesystem/FileUrl.h"
#include "services/MemoryArenas.h"
#include "services/Translations.h"

#include <QCoreApplication>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <utility>

namespace vistrel::cli {

namespace {

// One line a command, made from its table.
std::string usageText()
{
    const CommandLine::Spec* const commands[] = {
        &scanCommandLine,   &rescanCommandLine, &dumpCommandLine,    &listCommandLine,    &searchCommandLine,
        &topCommandLine,    &typesCommandLine,  &historyCommandLine, &diffCommandLine,    &exportCommandLine,
        &importCommandLine, &statCommandLine,   &volumeCommandLine,  &volumesCommandLine, &duplicatesCommandLine,
    };
    std::string text;
    for (const CommandLine::Spec* command : commands)
        text += (text.empty() ? "usage: vistrel-cli " : "       vistrel-cli ") + CommandLine::usage(*command) + "\n";
    return text
        + "Without --store, the per-user snapshot of the scan root (for ls and search, of the\n"
          "nearest root holding DIR) is used.\n";
}

} // namespace

int failure(const std::string& message)
{
    std::fprintf(stderr, "vistrel-cli: %s\n", message.c_str());
    return exitFailure;
}

std::string absolutePath(const std::string& path)
{
    if (!path.empty() && path.front() == '/')
        return FileUrl::lexicallyNormal(path, "/");
    char buffer[PATH_MAX];
    const std::string current = ::getcwd(buffer, sizeof buffer) ? buffer : "/";
    return FileUrl::lexicallyNormal(path, current);
}

int usageError(const std::string& problem)
{
    if (!problem.empty())
        std::fprintf(stderr, "vistrel-cli: %s\n", problem.c_str());
    std::fputs(usageText().c_str(), stderr);
    return exitUsage;
}

} // namespace vistrel::cli

int main(int argc, char** argv)
{
    using namespace vistrel::cli;
    vistrel::MemoryArenas::limitToProcessors();
    if (argc < 2)
        return usageError("");
    // Every command's messages go through Qt's translations (their plural forms); a scan also
    // runs its event loop. Qt sees only the program's name, never the arguments.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QCoreApplication application(qtArgc, qtArgv);
    vistrel::Translations::install();
    const std::string command = argv[1];
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    if (command == "--help" || command == "-h") {
        std::fputs(usageText().c_str(), stdout);
        return exitSuccess;
    }
    using Command = int (*)(const std::vector<std::string>&);
    static const std::pair<const char*, Command> commands[] = {
        {"scan", runScan},     {"rescan", runRescan},   {"dump", runDump},
        {"ls", runList},       {"search", runSearch},   {"stat", runStat},
        {"volume", runVolume}, {"volumes", runVolumes}, {"top", runTop},
        {"types", runTypes},   {"history", runHistory}, {"diff", runDiff},
        {"export", runExport}, {"import", runImport},   {"duplicates", runDuplicates},
    };
    for (const auto& [name, run] : commands) {
        if (command != name)
            continue;
        const int status = run(arguments);
        // Output that did not reach its destination (a full disk, a closed pipe) is a failure.
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            std::fprintf(stderr, "vistrel-cli: cannot write the output: %s\n", std::strerror(errno ? errno : EIO));
            return status == exitSuccess ? exitFailure : status;
        }
        return status;
    }
    return usageError("unknown command: " + command);
}
