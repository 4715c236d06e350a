#include "Commands.h"
#include "ScanTerminal.h"
#include "TerminalText.h"

#include "history/SnapshotHistory.h"
#include "ncdu/NcduImport.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"
#include "objectstore/StoreWriterLock.h"
#include "services/Preferences.h"
#include "store/VistrelModelContainer.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace vistrel::cli {

namespace {

// Builds the snapshot in `partial` (holding the writer lock of `target`, when one is named),
// closed again when this returns; the lock is handed over.
NcduImport::Result importInto(const std::string& partial, const std::string& target, int fd, bool showProgress,
                              StoreWriterLock& lock)
{
    using Access = VistrelModelContainer::Access;
    VistrelModelContainer::deleteStoreFile(partial);
    auto container = VistrelModelContainer::shared().makeContainer(
        partial, target.empty() ? Access::readWrite : Access::scanning, target);
    const NcduImport::Result result = NcduImport::run(fd, *container, [showProgress](std::uint64_t bytes) {
        if (showProgress)
            std::fprintf(stderr, "\rRead %llu MB", static_cast<unsigned long long>(bytes >> 20));
    });
    lock = container->takeWriterLock();
    return result;
}

// Removes what imports killed before they knew their root left in the store folder: files
// named after a process that no longer runs.
void removeAbandonedImports(const std::string& folder)
{
    DIR* directory = ::opendir(folder.c_str());
    if (!directory)
        return;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (!name.starts_with("import-") || !name.ends_with(".partial"))
            continue;
        const std::string digits = name.substr(7, name.size() - 7 - 8);
        char* end = nullptr;
        const long pid = std::strtol(digits.c_str(), &end, 10);
        if (digits.empty() || *end != '\0' || pid <= 0)
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            VistrelModelContainer::deleteStoreFile(folder + "/" + name);
    }
    ::closedir(directory);
}

void printSummary(const NcduImport::Result& result)
{
    std::printf("records=%lld files=%lld size=%lld allocated=%lld unreadable=%lld root=%s\n",
                static_cast<long long>(result.records), static_cast<long long>(result.fileCount),
                static_cast<long long>(result.totalSize), static_cast<long long>(result.totalAllocatedSize),
                static_cast<long long>(result.unreadableDirectories), terminalText(result.root).c_str());
}

} // namespace

// A snapshot from an ncdu export (ncdu -o, gdu -o, vistrel-cli export); "-" reads standard
// input. The target store is replaced only once the whole file was read.
const CommandLine::Spec importCommandLine{"import",
                                          {{"--store", "FILE", false, 1}, {"--in-memory", nullptr, false, 1}},
                                          {"IN"},
                                          true};

int runImport(const std::vector<std::string>& arguments)
{
    std::string problem;
    const auto line = CommandLine::parse(importCommandLine, arguments, &problem);
    if (!line)
        return usageError(problem);
    const std::optional<std::string> input = line->operands().front();
    const bool inMemory = line->has("--in-memory");
    std::optional<std::string> store;
    if (const auto given = line->value("--store"))
        store = absolutePath(*given);
    const bool fromStandardInput = *input == "-";
    const int fd = fromStandardInput ? STDIN_FILENO : ::open(absolutePath(*input).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return failure("cannot read " + terminalText(*input) + ": " + std::strerror(errno));
    const bool showProgress = ::isatty(STDERR_FILENO) == 1;
    std::string partial;
    StoreWriterLock lock;
    try {
        if (inMemory) {
            // Read into memory and dropped: checks a file, and measures the import alone.
            auto container = VistrelModelContainer::shared().makeContainer(true);
            const NcduImport::Result result = NcduImport::run(fd, *container);
            printSummary(result);
            if (!fromStandardInput)
                ::close(fd);
            return exitSuccess;
        }
        std::string target;
        if (store) {
            // The store is checked and claimed before the file is read.
            target = *store;
            SnapshotHistory::checkReplaceable(target);
            partial = SnapshotHistory::partialLocation(target);
        } else {
            const std::string location = VistrelModelContainer::checkedOnDiskStoreLocation("/", true);
            const std::string folder = location.substr(0, location.rfind('/'));
            removeAbandonedImports(folder);
            partial = folder + "/import-" + std::to_string(::getpid()) + ".partial";
        }
        const NcduImport::Result result = importInto(partial, store.value_or(""), fd, showProgress, lock);
        if (showProgress)
            std::fprintf(stderr, "\n");
        if (!store) {
            // Only now is the root known, and with it the snapshot it replaces.
            target = VistrelModelContainer::checkedOnDiskStoreLocation(result.root, true);
            lock = StoreWriterLock::acquire(target);
            SnapshotHistory::checkReplaceable(target);
        }
        const auto notKept = SnapshotHistory::install(partial, target, Preferences().historyKeepCount());
        printSummary(result);
        if (notKept)
            std::fprintf(stderr, "vistrel-cli: note: %s\n", terminalText(*notKept).c_str());
    } catch (const std::exception& error) {
        if (!fromStandardInput)
            ::close(fd);
        if (!partial.empty())
            VistrelModelContainer::deleteStoreFile(partial);
        if (showProgress)
            std::fprintf(stderr, "\n");
        return failure("cannot import " + terminalText(*input) + ": "
                       + describeScanError(std::current_exception(), store.value_or("")));
    }
    if (!fromStandardInput)
        ::close(fd);
    return exitSuccess;
}

} // namespace vistrel::cli
