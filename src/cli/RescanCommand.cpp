#include "Commands.h"
#include "ScanTerminal.h"
#include "TerminalText.h"

#include "cleanup/FolderRescan.h"
#include "filesystem/FileSystemError.h"
#include "scanner/FileSystemWalkerError.h"
#include "services/ScanProgress.h"
#include "store/VistrelModelContainer.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vistrel::cli {

// Walks one folder of a snapshot again after a cleanup and replaces its part of the snapshot,
// holding the store's writer lock as a scan does.
const CommandLine::Spec rescanCommandLine{"rescan", {{"--store", "FILE"}}, {"DIR"}, true};

int runRescan(const std::vector<std::string>& arguments)
{
    std::string problem;
    const auto line = CommandLine::parse(rescanCommandLine, arguments, &problem);
    if (!line)
        return usageError(problem);
    const std::optional<std::string> folderArgument = line->operands().front();
    const auto given = line->value("--store");
    const std::optional<std::string> storeArgument = given ? std::optional(absolutePath(*given)) : std::nullopt;
    const FileUrl folder = FileUrl::directory(absolutePath(*folderArgument));
    const std::string location = storeArgument.value_or(
        VistrelModelContainer::onDiskStoreLocation(VistrelModelContainer::storedRootHolding(folder.path())));

    struct stat status { };
    if (::stat(location.c_str(), &status) != 0)
        return failure("there is no snapshot at " + terminalText(location) + "; scan first");

    installCancelSignals();
    ScanProgress progress;
    std::stop_source stop;
    std::exception_ptr error;
    FolderRescan::Result result;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        try {
            auto snapshot
                = VistrelModelContainer::shared().makeContainer(location, VistrelModelContainer::Access::scanning);
            result = FolderRescan::run(folder, snapshot, stop.get_token(), &progress);
        } catch (...) {
            error = std::current_exception();
        }
        finished = true;
    });
    const bool showProgress = ::isatty(STDERR_FILENO) == 1;
    while (!finished) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (receivedSignal() != 0)
            stop.request_stop();
        if (showProgress)
            drawProgress(progress);
    }
    worker.join();
    ::alarm(0);
    if (showProgress)
        std::fprintf(stderr, "\n");
    if (error) {
        try {
            std::rethrow_exception(error);
        } catch (const FileSystemWalkerError&) {
            std::fprintf(stderr, "vistrel-cli: rescan cancelled; the snapshot is as it was\n");
            return receivedSignal() != 0 ? 128 + receivedSignal() : exitInterrupted;
        } catch (const FolderRescan::NotAFolder& refused) {
            return failure("cannot rescan " + terminalText(folder.path()) + ": " + refused.what());
        } catch (const FolderRescan::Refused& refused) {
            return failure("cannot rescan " + terminalText(folder.path()) + ": " + refused.what());
        } catch (const FileSystemError& gone) {
            return failure("cannot rescan " + terminalText(folder.path()) + ": " + gone.what());
        } catch (...) {
            return failure(describeScanError(error, location));
        }
    }
    std::printf("records=%lld files=%lld size=%lld allocated=%lld change=%+lld seconds=%s unreadable=%lld\n",
                static_cast<long long>(result.records), static_cast<long long>(result.fileCount),
                static_cast<long long>(result.totalSize), static_cast<long long>(result.totalAllocatedSize),
                static_cast<long long>(result.totalAllocatedSizeChange),
                QString::number(result.seconds, 'f', 3).toStdString().c_str(),
                static_cast<long long>(result.statistics.unreadableDirectories));
    return exitSuccess;
}

} // namespace vistrel::cli
