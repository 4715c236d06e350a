#include "CleanupModel.h"

#include "FolderRescan.h"

#include "filesystem/VolumeFigures.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "scanner/FileSystemWalkerError.h"
#include "services/MainThread.h"
#include "store/SnapshotCompletion.h"
#include "store/VistrelModelContainer.h"

#include <algorithm>
#include <chrono>

namespace vistrel {

namespace {

std::string parentOf(const std::string& path)
{
    return FileUrl(path).parentDirectory().path();
}

std::optional<std::int64_t> freeSpace(const std::string& root)
{
    try {
        return VolumeFigures::read(root).availableCapacity;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace

CleanupModel::CleanupModel(std::shared_ptr<StoreContainer> snapshot, std::string homeFolder, QObject* parent)
    : QObject(parent)
    , snapshot_(std::move(snapshot))
    , scanRoot_(SnapshotCompletion::scanRoot(*snapshot_).value_or("/"))
{
    guards_.scanRoot = scanRoot_;
    guards_.homeFolder = std::move(homeFolder);
    const std::string ownStore = VistrelModelContainer::onDiskStoreLocation();
    if (!ownStore.empty())
        guards_.storeFolders.push_back(ownStore.substr(0, ownStore.rfind('/') + 1));
    if (!snapshot_->configuration().inMemoryOnly)
        guards_.storeFiles.push_back(snapshot_->configuration().fileLocation);
}

CleanupModel::~CleanupModel()
{
    cancelled_ = true;
    if (worker_.joinable())
        worker_.join();
}

std::optional<std::string> CleanupModel::refusal(const std::string& path) const
{
    return CleanupTargets::refusal(path, guards_);
}

std::optional<ResolvedItem> CleanupModel::resolve(const std::string& path, Report& report) const
{
    auto resolution = ResolvedItem::resolve(scanRoot_, path);
    if (!resolution.item)
        report.failures.push_back({path, resolution.refusal});
    return std::move(resolution.item);
}

bool CleanupModel::anyRefused(const std::vector<std::string>& paths) const
{
    return std::any_of(paths.begin(), paths.end(),
                       [this](const std::string& path) { return refusal(path).has_value(); });
}

bool CleanupModel::start(Action action, std::function<void(Report&)> job)
{
    if (busy_)
        return false;
    if (worker_.joinable())
        worker_.join(); // the last job has ended: its result reached this thread
    busy_ = true;
    cancelled_ = false;
    Q_EMIT busyChanged();
    worker_ = std::thread([this, action, job = std::move(job), owner = lifetime_.watch()] {
        Report report;
        report.action = action;
        report.freeBefore = freeSpace(scanRoot_);
        job(report);
        report.freeAfter = freeSpace(scanRoot_);
        report.cancelled = cancelled_;
        onMainThread(owner, [this, report = std::move(report)]() mutable {
            report_ = std::move(report);
            busy_ = false;
            Q_EMIT busyChanged();
            Q_EMIT finished();
        });
    });
    return true;
}

std::shared_ptr<StoreContainer> CleanupModel::openWritable(Report& report)
{
    if (snapshot_->configuration().inMemoryOnly)
        return snapshot_;
    // The window reads the file; a writer of its own changes it, as a scan would. Taken
    // before anything on disk is touched: a store another scan writes refuses the job.
    try {
        return VistrelModelContainer::shared().makeContainer(snapshot_->configuration().fileLocation,
                                                             VistrelModelContainer::Access::scanning);
    } catch (const std::exception& refused) {
        report.snapshotFailure = refused.what();
        return nullptr;
    }
}

void CleanupModel::closeWritable(std::shared_ptr<StoreContainer>& writable)
{
    const bool own = writable != snapshot_;
    writable.reset();
    if (own)
        snapshot_->acceptCurrentVersion();
}

void CleanupModel::editSnapshot(Report& report, const std::shared_ptr<StoreContainer>& writable, const Edit& edit)
{
    try {
        edit(writable);
    } catch (const std::exception& failed) {
        report.snapshotFailure = failed.what();
    }
}

bool CleanupModel::changeEach(Report& report, const std::vector<std::string>& paths, const Change& change)
{
    auto writable = openWritable(report);
    if (!writable)
        return false;
    for (const std::string& path : paths) {
        if (cancelled_)
            break;
        if (const auto target = resolve(path, report))
            change(path, *target, writable);
    }
    closeWritable(writable);
    return true;
}

bool CleanupModel::moveToTrash(std::vector<std::string> paths)
{
    if (anyRefused(paths))
        return false;
    return start(Action::moveToTrash, [this, paths = std::move(paths)](Report& report) {
        std::vector<Trashed> trashed;
        const auto trash = [&](const std::string& path, const ResolvedItem& target, const auto& writable) {
            const auto outcome = TrashMover::moveToTrash(target);
            if (!outcome.trashed) {
                if (outcome.noUsableTrash)
                    report.withoutTrash.push_back(path);
                else
                    report.failures.push_back({path, outcome.failure});
                return;
            }
            Trashed item{*outcome.trashed, std::nullopt};
            editSnapshot(report, writable, [&](const std::shared_ptr<StoreContainer>& store) {
                item.removal = SnapshotEdit::takeItem(FileUrl(path), *store->makeContext());
            });
            if (item.removal)
                report.bytes += item.removal->item.totalAllocatedSize.value_or(0);
            report.trashFolder = outcome.trashed->trashFolder;
            trashed.push_back(std::move(item));
            report.done.push_back(path);
            report.changedFolders.push_back(parentOf(path));
        };
        if (!changeEach(report, paths, trash))
            return;
        onMainThread(lifetime_.watch(), [this, trashed = std::move(trashed)]() mutable {
            if (!trashed.empty())
                trashed_ = std::move(trashed);
        });
    });
}

bool CleanupModel::deletePermanently(std::vector<std::string> paths)
{
    if (anyRefused(paths))
        return false;
    return start(Action::deletePermanently, [this, paths = std::move(paths)](Report& report) {
        changeEach(report, paths, [&](const std::string& path, const ResolvedItem& target, const auto& writable) {
            const auto removal = TreeRemover::remove(target, [this] { return cancelled_.load(); });
            report.failures.insert(report.failures.end(), removal.failures.begin(), removal.failures.end());
            report.changedFolders.push_back(parentOf(path));
            if (removal.complete()) {
                editSnapshot(report, writable, [&](const std::shared_ptr<StoreContainer>& store) {
                    if (const auto removed = SnapshotEdit::removeItem(FileUrl(path), *store->makeContext()))
                        report.bytes += removed->totalAllocatedSize.value_or(0);
                });
                report.done.push_back(path);
            } else if (FileUrl(path).isDirectory() && removal.removed > 0) {
                // Part of it is gone: the snapshot says what is left.
                report.partly.push_back(path);
                editSnapshot(report, writable, [&](const std::shared_ptr<StoreContainer>& store) {
                    FolderRescan::run(FileUrl(path), store, {});
                });
            }
        });
    });
}

bool CleanupModel::undoMoveToTrash()
{
    if (trashed_.empty() || busy_)
        return false;
    std::vector<Trashed> items = std::move(trashed_);
    trashed_.clear();
    return start(Action::undoMoveToTrash, [this, items = std::move(items)](Report& report) {
        auto writable = openWritable(report);
        if (!writable) {
            // Nothing was restored: the undo stays possible.
            onMainThread(lifetime_.watch(), [this, items]() mutable { trashed_ = std::move(items); });
            return;
        }
        for (const Trashed& item : items) {
            // Back into its folder reached again below the root: a folder swapped for a link
            // since then is refused, never followed.
            const auto folder = resolve(parentOf(item.item.original), report);
            if (!folder)
                continue;
            if (const auto failed = TrashMover::restore(item.item, *folder)) {
                report.failures.push_back({item.item.original, *failed});
                continue;
            }
            if (item.removal)
                report.bytes += item.removal->item.totalAllocatedSize.value_or(0);
            if (item.removal)
                editSnapshot(report, writable, [&](const std::shared_ptr<StoreContainer>& store) {
                    SnapshotEdit::putBack(*item.removal, *store->makeContext());
                });
            report.done.push_back(item.item.original);
            report.changedFolders.push_back(parentOf(item.item.original));
        }
        closeWritable(writable);
    });
}

bool CleanupModel::rescanFolder(std::string folder)
{
    return start(Action::rescanFolder, [this, folder = FileUrl::directory(folder).path()](Report& report) {
        auto writable = openWritable(report);
        if (!writable)
            return;
        std::stop_source stop;
        std::thread watcher([&] {
            while (!stop.stop_requested()) {
                if (cancelled_)
                    stop.request_stop();
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
        editSnapshot(report, writable, [&](const std::shared_ptr<StoreContainer>& store) {
            try {
                FolderRescan::run(FileUrl(folder), store, stop.get_token());
                report.done.push_back(folder);
                report.changedFolders.push_back(folder);
                report.changedFolders.push_back(parentOf(folder));
            } catch (const FileSystemWalkerError&) {
                // Cancelled: the snapshot is as it was.
            } catch (const FolderRescan::NotAFolder& refused) {
                report.failures.push_back({folder, refused.what()});
            } catch (const FolderRescan::Refused& refused) {
                report.failures.push_back({folder, refused.what()});
            }
        });
        stop.request_stop();
        watcher.join();
        closeWritable(writable);
    });
}

} // namespace vistrel
