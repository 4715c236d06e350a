#include "ScanSession.h"

#include "ScanError.h"

#include "filesystem/DirectoryHandle.h"
#include "filesystem/DirectoryListing.h"
#include "filesystem/VolumeFigures.h"
#include "history/SnapshotHistory.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"
#include "objectstore/StoreWriterLock.h"
#include "scanner/FileSystemWalkerError.h"
#include "services/Log.h"
#include "store/SnapshotCompletion.h"
#include "store/VistrelFile.h"
#include "store/VistrelModelContainer.h"

#include <QLocale>

#include <chrono>
#include <cstring>
#include <mutex>
#include <sys/stat.h>

namespace vistrel {

namespace {

// A root that cannot be listed would scan to an empty snapshot over the previous one.
void checkRootCanBeListed(const std::string& root)
{
    int errorNumber = 0;
    const DirectoryHandle directory = DirectoryHandle::openPath(root, &errorNumber);
    if (directory.isValid()) {
        DirectoryListing listing;
        errorNumber = listing.read(directory.fd());
        if (errorNumber == 0)
            return;
    }
    throw ScanError("cannot scan " + root + ": " + std::strerror(errorNumber));
}

} // namespace

ScanSession::ScanSession(QObject* parent)
    : QObject(parent)
{
}

ScanSession::~ScanSession()
{
    stopSource_.request_stop();
    if (worker_.joinable())
        worker_.join();
}

void ScanSession::start(Request request)
{
    if (isRunning())
        return;
    stopSource_ = std::stop_source();
    cancelRequested_ = false;
    outcome_ = Outcome{};
    worker_ = std::thread([this, request = std::move(request), stopToken = stopSource_.get_token()] {
        Outcome outcome = runRoutine(request, stopToken);
        // Runs on the owner's thread; dropped if the session is gone by then.
        QMetaObject::invokeMethod(
            this, [this, outcome = std::move(outcome)]() mutable { routineEnded(std::move(outcome)); },
            Qt::QueuedConnection);
    });
}

namespace {

// The file the scan writes beside the store, holding the store's writer lock until the file
// has replaced it. One left by a killed scan is reused, or deleted when it cannot be opened.
std::shared_ptr<StoreContainer> openPartial(const std::string& partial, const std::string& target)
{
    using Access = VistrelModelContainer::Access;
    auto& containers = VistrelModelContainer::shared();
    try {
        return containers.makeContainer(partial, Access::scanning, target);
    } catch (const ModelContainerError& error) {
        using Code = StoreError::Code;
        if (error.code() != Code::notASnapshot && error.code() != Code::incompatibleVersion)
            throw;
    }
    try {
        const StoreWriterLock lock = StoreWriterLock::acquire(target);
        Log::info(LogCategory::app, "removing the unreadable unfinished scan " + partial);
        VistrelModelContainer::deleteStoreFile(partial);
    } catch (const StoreError& error) {
        throw ModelContainerError(error.what(), error.code());
    }
    return containers.makeContainer(partial, Access::scanning, target);
}

std::optional<std::int64_t> volumeUsedBytes(const std::string& root)
{
    try {
        const VolumeFigures figures = VolumeFigures::read(root);
        if (figures.totalCapacity && figures.availableCapacity)
            return *figures.totalCapacity - *figures.availableCapacity;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

std::int64_t secondsNow()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

ScanSession::Outcome ScanSession::runRoutine(const Request& request, std::stop_token stopToken)
{
    Outcome outcome;
    std::string target, partial;
    bool writing = false; // the partial file is this scan's
    bool hadPrevious = false;
    try {
        checkRootCanBeListed(request.root);
        // Checked before any store is touched: such a scan would record nothing at all.
        if (request.walkerOptions.exclusions.excludes(request.root))
            throw ScanError("the exclusions leave out the scan root " + request.root + " itself");
        auto& containers = VistrelModelContainer::shared();
        std::shared_ptr<StoreContainer> container;
        if (request.persistedSnapshot) {
            // The snapshot is written beside the store and replaces it only when whole: a scan
            // that is cancelled, fails or is killed leaves the previous one as it was.
            target = request.storeFile ? *request.storeFile
                                       : VistrelModelContainer::checkedOnDiskStoreLocation(request.root, true);
            partial = SnapshotHistory::partialLocation(target);
            SnapshotHistory::checkReplaceable(target);
            struct stat status { };
            hadPrevious = ::stat(target.c_str(), &status) == 0;
            container = openPartial(partial, target);
            writing = true;
            SnapshotCompletion::markUnfinished(*container);
            container->erase();
        } else {
            container = containers.makeContainer(true);
            SnapshotCompletion::markUnfinished(*container);
        }

        const std::int64_t startedAt = secondsNow();
        SnapshotCompletion::recordScanRoot(*container, request.root);
        SnapshotCompletion::recordExclusions(*container, request.walkerOptions.exclusions.patterns());
        SnapshotCompletion::recordUnreadableFolders(*container, {}); // none linger from the last scan
        auto hop = [this](std::function<void()> job) {
            QMetaObject::invokeMethod(this, std::move(job), Qt::QueuedConnection);
        };
        // The unreadable folders are kept by name, so the window can tell them from empty ones.
        std::mutex unreadableMutex;
        std::vector<SnapshotCompletion::UnreadableFolder> unreadableFolders;
        FileSystemWalker::Options options = request.walkerOptions;
        options.unreadableDirectory = [&](const std::string& path, const std::string& reason) {
            {
                std::lock_guard lock(unreadableMutex);
                if (unreadableFolders.size() < SnapshotCompletion::maximumUnreadableFolders)
                    unreadableFolders.push_back({path, reason});
            }
            if (request.walkerOptions.unreadableDirectory)
                request.walkerOptions.unreadableDirectory(path, reason);
        };
        {
            // Gone before the file is closed: the walker holds the container too.
            FileSystemWalker walker(FileUrl(request.root), &progress_, container, &VistrelFile::insert, hop, stopToken,
                                    options);
            try {
                outcome.seconds = walker.walk();
                Log::info(LogCategory::app, "walked in " + QLocale().toString(outcome.seconds, 'f', 3).toStdString());
            } catch (const FileSystemWalkerError&) {
                outcome.cancelled = true;
            }
            outcome.statistics = walker.statistics();
        }
        if (outcome.cancelled) {
            if (!request.persistedSnapshot) {
                outcome.container = std::move(container);
                return outcome;
            }
            // The previous snapshot stays current; the window offers it again.
            container.reset();
            VistrelModelContainer::deleteStoreFile(partial);
            return outcome;
        }
        SnapshotCompletion::recordRootTotals(*container,
                                             {outcome.statistics.rootFileCount, outcome.statistics.rootTotalSize,
                                              outcome.statistics.rootTotalAllocatedSize});
        SnapshotCompletion::recordUnreadableFolders(*container, unreadableFolders);
        SnapshotCompletion::recordScanFacts(
            *container, {startedAt, secondsNow(), outcome.statistics.savedRecords, volumeUsedBytes(request.root)});
        SnapshotCompletion::markFinished(*container, outcome.statistics.unreadableDirectories);
        if (request.persistedSnapshot) {
            StoreWriterLock lock = container->takeWriterLock();
            container.reset(); // closed before it is moved into place
            outcome.historyProblem = SnapshotHistory::install(partial, target, request.historyKeepCount);
            lock.release();
            container = containers.makeContainer(target, VistrelModelContainer::Access::readWrite);
        }
        outcome.container = std::move(container);
    } catch (...) {
        outcome.error = std::current_exception();
        if (writing) {
            // Whatever failed (a full disk, say), the previous snapshot is still the current one.
            outcome.previousSnapshotKept = hadPrevious;
            SnapshotHistory::removeAbandoned(target);
        }
    }
    return outcome;
}

void ScanSession::routineEnded(Outcome outcome)
{
    if (worker_.joinable())
        worker_.join();
    outcome_ = std::move(outcome);
    if (!outcome_.error)
        progress_.setCompletedUnitCount(progress_.totalUnitCount());
    Q_EMIT finished();
    if (!cancelRequested_)
        return;
    cancelRequested_ = false;
    if (outcome_.error) {
        try {
            std::rethrow_exception(outcome_.error);
        } catch (const FileSystemWalkerError&) {
            Log::info(LogCategory::app, "task cancelled");
        } catch (...) {
            Log::error(LogCategory::app, "Unexpected error: " + describe(outcome_.error));
        }
    }
    Log::debug(LogCategory::app, "change to idle");
    Q_EMIT cancelFinished();
}

void ScanSession::cancel()
{
    if (cancelRequested_)
        return; // already on its way
    Log::debug(LogCategory::app, "change to cancelling");
    if (!isRunning()) {
        Log::debug(LogCategory::app, "nothing to cancel");
        Log::debug(LogCategory::app, "change to idle");
        Q_EMIT cancelFinished();
        return;
    }
    Log::debug(LogCategory::app, "canceling task");
    cancelRequested_ = true;
    stopSource_.request_stop();
}

std::string ScanSession::describe(const std::exception_ptr& error)
{
    if (!error)
        return {};
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& exception) {
        return exception.what();
    } catch (...) {
        return "unknown error";
    }
}

} // namespace vistrel
