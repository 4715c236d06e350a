#include "ScanSession.h"

#include "ScanError.h"

#include "filesystem/DirectoryHandle.h"
#include "filesystem/DirectoryListing.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"
#include "scanner/FileSystemWalkerError.h"
#include "services/Log.h"
#include "store/SnapshotCompletion.h"
#include "store/VistrelFile.h"
#include "store/VistrelModelContainer.h"

#include <QLocale>

#include <cstring>
#include <mutex>

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

ScanSession::Outcome ScanSession::runRoutine(const Request& request, std::stop_token stopToken)
{
    Outcome outcome;
    try {
        checkRootCanBeListed(request.root);
        // Checked before any store is touched: such a scan would record nothing at all.
        if (request.walkerOptions.exclusions.excludes(request.root))
            throw ScanError("the exclusions leave out the scan root " + request.root + " itself");
        auto& containers = VistrelModelContainer::shared();
        std::shared_ptr<StoreContainer> container;
        if (request.persistedSnapshot) {
            // The writer lock is taken before the erase and kept until the walk has ended.
            using Access = VistrelModelContainer::Access;
            container = request.storeFile ? containers.makeContainer(*request.storeFile, Access::scanning)
                                          : containers.makeOnDiskContainer(Access::scanning, request.root);
            // Marked first: a scan killed during the erase leaves no snapshot that reads as whole.
            SnapshotCompletion::markUnfinished(*container);
            container->erase();
        } else {
            container = containers.makeContainer(true);
            SnapshotCompletion::markUnfinished(*container);
        }

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
        FileSystemWalker walker(FileUrl(request.root), &progress_, container, &VistrelFile::insert, hop, stopToken,
                                options);
        try {
            outcome.seconds = walker.walk();
            Log::info(LogCategory::app, "walked in " + QLocale().toString(outcome.seconds, 'f', 3).toStdString());
            outcome.statistics = walker.statistics();
            SnapshotCompletion::recordRootTotals(*container,
                                                 {outcome.statistics.rootFileCount, outcome.statistics.rootTotalSize,
                                                  outcome.statistics.rootTotalAllocatedSize});
            SnapshotCompletion::recordUnreadableFolders(*container, unreadableFolders);
            SnapshotCompletion::markFinished(*container, outcome.statistics.unreadableDirectories);
        } catch (const FileSystemWalkerError&) {
            outcome.cancelled = true;
            outcome.statistics = walker.statistics();
            if (request.persistedSnapshot) {
                // A cancelled scan leaves no partial snapshot on disk, but an empty, whole one.
                container->erase();
                SnapshotCompletion::markFinished(*container, 0);
            }
        }
        container->releaseWriterLock();
        outcome.container = std::move(container);
    } catch (...) {
        outcome.error = std::current_exception();
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
