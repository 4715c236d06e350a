#include "Commands.h"
#include "ScanTerminal.h"
#include "TerminalText.h"

#include "filesystem/FileSystemError.h"
#include "filesystem/FileSystemMetadata.h"
#include "filesystem/VolumeFigures.h"
#include "objectstore/StoreError.h"
#include "scan/ScanError.h"
#include "scan/ScanSession.h"
#include "scanner/ExclusionPatterns.h"
#include "services/Formats.h"
#include "services/Preferences.h"
#include "services/ScanProgress.h"
#include "store/VistrelModelContainer.h"

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <optional>
#include <unistd.h>

namespace vistrel::cli {

namespace {

// The volume's resource count is a fair total only when the root is where the volume starts.
std::int64_t progressTotal(const std::string& root)
{
    try {
        const FileStatus status = FileSystemMetadata::status(root);
        bool volumeRoot = root == "/";
        if (!volumeRoot) {
            const FileStatus parent = FileSystemMetadata::status(root + "..");
            volumeRoot = parent.device != status.device || parent.mountId != status.mountId;
        }
        if (volumeRoot)
            return VolumeFigures::read(root).resourceCount.value_or(0);
    } catch (const FileSystemError&) {
    }
    return 0;
}

// Limits on an exclusion file, so that /dev/zero or a stray binary cannot be read for ever.
constexpr std::size_t longestPatternLine = 4096;
constexpr std::uint64_t largestPatternFile = 64ull << 20;

// One pattern a line; blank lines and lines starting with "#" are skipped. The reason when
// the file cannot be used.
std::optional<std::string> readPatterns(const std::string& file, std::vector<std::string>& patterns)
{
    errno = 0;
    std::ifstream input(file, std::ios::binary);
    if (!input)
        return std::strerror(errno == 0 ? ENOENT : errno);
    std::uint64_t read = 0;
    std::uint64_t lineNumber = 0;
    std::string line;
    char c = 0;
    const auto take = [&] {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.front() != '#')
            patterns.push_back(line);
        line.clear();
    };
    while (input.get(c)) {
        if (++read > largestPatternFile)
            return "it is larger than " + std::to_string(largestPatternFile >> 20) + " MB";
        if (c == '\n') {
            take();
            continue;
        }
        if (line.size() >= longestPatternLine)
            return "line " + std::to_string(lineNumber + 1) + " is longer than " + std::to_string(longestPatternLine)
                + " bytes";
        line += c;
    }
    if (input.bad())
        return std::strerror(errno == 0 ? EIO : errno);
    if (!line.empty())
        take();
    return std::nullopt;
}

} // namespace

const CommandLine::Spec scanCommandLine{"scan",
                                        {{"--store", "FILE", false, 1},
                                         {"--in-memory", nullptr, false, 1},
                                         {"--exclude", "PATTERN", true},
                                         {"--exclude-from", "FILE"}},
                                        {"[ROOT]"},
                                        true};

int runScan(const std::vector<std::string>& arguments)
{
    std::string problem;
    const auto line = CommandLine::parse(scanCommandLine, arguments, &problem);
    if (!line)
        return usageError(problem);
    const std::optional<std::string> rootArgument
        = line->operands().empty() ? std::nullopt : std::optional(line->operands().front());
    const std::optional<std::string> storeArgument = line->value("--store");
    const bool inMemory = line->has("--in-memory");
    std::vector<std::string> patterns;
    for (const auto& [option, value] : line->given()) {
        if (option == "--exclude") {
            patterns.push_back(*value);
        } else if (option == "--exclude-from") {
            if (const auto unreadable = readPatterns(*value, patterns))
                return failure("cannot read the exclusions in " + terminalText(*value) + ": " + *unreadable);
        }
    }
    const std::string root = FileUrl::directory(absolutePath(rootArgument.value_or("/"))).path();
    ExclusionPatterns exclusions;
    try {
        exclusions = ExclusionPatterns(patterns);
    } catch (const ExclusionPatterns::Error& invalid) {
        return usageError(invalid.what());
    }

    // The session reports on this thread through Qt's event loop (main's application).
    QCoreApplication* application = QCoreApplication::instance();

    ScanSession::Request request;
    request.root = root;
    request.persistedSnapshot = !inMemory;
    if (storeArgument)
        request.storeFile = absolutePath(*storeArgument);
    request.walkerOptions.exclusions = exclusions;
    request.historyKeepCount = Preferences().historyKeepCount();
    request.walkerOptions.unreadableDirectory = [](const std::string& path, const std::string& reason) {
        std::fprintf(stderr, "vistrel-cli: cannot read directory '%s': %s\n", terminalText(path).c_str(),
                     reason.c_str());
    };
    ScanSession session;
    const bool showProgress = ::isatty(STDERR_FILENO) == 1;
    if (showProgress)
        session.progress().setTotalUnitCount(progressTotal(root));

    installCancelSignals();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (receivedSignal() != 0)
            session.cancel();
        if (showProgress)
            drawProgress(session.progress());
    });
    tick.start(100);
    QObject::connect(&session, &ScanSession::finished, application, &QCoreApplication::quit);
    const std::optional<std::string> storeFile = request.storeFile;
    session.start(std::move(request));
    QCoreApplication::exec();
    ::alarm(0);
    tick.stop();

    const ScanSession::Outcome& outcome = session.outcome();
    if (showProgress) {
        // Progress is published in steps of 10,000; the last line shows the whole count.
        if (!outcome.error)
            session.progress().setCompletedUnitCount(outcome.statistics.savedRecords);
        drawProgress(session.progress());
        std::fprintf(stderr, "\n");
    }
    if (outcome.error)
        return failure(
            describeScanError(outcome.error, storeFile.value_or(VistrelModelContainer::onDiskStoreLocation(root)))
            + (outcome.previousSnapshotKept ? "; the previous snapshot is kept" : ""));
    if (outcome.cancelled) {
        std::fprintf(stderr, "vistrel-cli: scan cancelled\n");
        return receivedSignal() != 0 ? 128 + receivedSignal() : exitInterrupted;
    }
    const auto& statistics = outcome.statistics;
    std::printf("records=%lld files=%lld size=%lld allocated=%lld seconds=%s unreadable=%lld",
                static_cast<long long>(statistics.savedRecords), static_cast<long long>(statistics.rootFileCount),
                static_cast<long long>(statistics.rootTotalSize),
                static_cast<long long>(statistics.rootTotalAllocatedSize),
                QString::number(outcome.seconds, 'f', 3).toStdString().c_str(),
                static_cast<long long>(statistics.unreadableDirectories));
    if (!exclusions.empty())
        std::printf(" excluded=%lld", static_cast<long long>(statistics.excludedDirectories));
    std::printf("\n");
    if (outcome.historyProblem)
        std::fprintf(stderr, "vistrel-cli: note: %s\n", terminalText(*outcome.historyProblem).c_str());
    if (statistics.totalsHeldAtMaximum)
        std::fprintf(stderr,
                     "vistrel-cli: note: the sizes add up to more than 9223372036854775807 bytes; the "
                     "totals that hold them are held at that value\n");
    return exitSuccess;
}

} // namespace vistrel::cli
