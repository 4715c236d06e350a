#include "Commands.h"
#include "SnapshotOutput.h"
#include "TerminalText.h"

#include "ncdu/NcduExport.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "store/SnapshotCompletion.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace vistrel::cli {

// The snapshot, or the part under DIR, in ncdu's JSON export format.
const CommandLine::Spec exportCommandLine{"export", {{"--store", "FILE"}, {"--under", "DIR"}, {"-o", "OUT"}}, {}};

int runExport(const std::vector<std::string>& arguments)
{
    std::string problem;
    const auto line = CommandLine::parse(exportCommandLine, arguments, &problem);
    if (!line)
        return usageError(problem);
    const std::optional<std::string> store = line->value("--store");
    const std::optional<std::string> output = line->value("-o");
    std::optional<std::string> under;
    if (const auto given = line->value("--under"))
        under = absolutePath(*given);
    const auto container = SnapshotOutput::openExisting(store, under.value_or("/"));
    if (!container)
        return exitFailure;
    const bool toFile = output && *output != "-";
    const std::string outputPath = toFile ? absolutePath(*output) : std::string();
    int fd = STDOUT_FILENO;
    if (toFile) {
        fd = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0644);
        if (fd < 0)
            return failure("cannot write " + terminalText(outputPath) + ": " + std::strerror(errno));
    }
    int status = exitSuccess;
    try {
        auto context = container->makeContext();
        const std::string root = under ? *under : SnapshotCompletion::scanRoot(*container).value_or("/");
        NcduExport::run(*context, FileUrl::directory(root), fd, VISTREL_VERSION);
    } catch (const NcduExport::WriteError& error) {
        status = failure(error.what());
    } catch (const std::exception& error) { // store errors, and anything a damaged store provokes
        status = failure(std::string("cannot read the snapshot: ") + error.what());
    }
    if (toFile && ::close(fd) != 0 && status == exitSuccess)
        status = failure("cannot write " + terminalText(outputPath) + ": " + std::strerror(errno));
    if (toFile && status != exitSuccess)
        ::unlink(outputPath.c_str()); // no half export left to be taken for a whole one
    return status;
}

} // namespace vistrel::cli
