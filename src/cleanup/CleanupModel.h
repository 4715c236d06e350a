#pragma once

#include "CleanupTargets.h"
#include "TrashMover.h"

#include "filesystem/ResolvedItem.h"
#include "filesystem/TreeRemover.h"
#include "services/LifetimeToken.h"
#include "store/SnapshotEdit.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vistrel {

class StoreContainer;

// Cleanup from the window, without widgets: moving items to the trash, deleting them,
// undoing the last move to the trash and rescanning a folder, one job at a time on a thread
// of its own, each followed by the snapshot's edit. A snapshot on disk is edited through a
// writer of its own (refused while a scan writes it); the window's container then takes
// the new version as the one it opened.
class CleanupModel : public QObject {
    Q_OBJECT
public:
    enum class Action { moveToTrash, deletePermanently, undoMoveToTrash, rescanFolder };
    struct Report {
        Action action = Action::moveToTrash;
        std::vector<std::string> done; // the items handled whole, or the folder rescanned
        std::vector<std::string> partly; // folders of which only a part could be deleted
        std::vector<TreeRemover::Failure> failures;
        std::vector<std::string> withoutTrash; // their volume has no usable trash
        std::vector<std::string> changedFolders; // whose listings changed
        std::optional<std::string> snapshotFailure; // the snapshot could not be edited
        bool cancelled = false;
        std::int64_t bytes = 0; // what the items handled whole took on disk, as the snapshot said
        std::string trashFolder; // where the last item moved to the trash went
        // The free space of the scanned volume before and after the job, where it is known.
        std::optional<std::int64_t> freeBefore;
        std::optional<std::int64_t> freeAfter;
    };

    CleanupModel(std::shared_ptr<StoreContainer> snapshot, std::string homeFolder, QObject* parent = nullptr);
    // Lets the running job stop between items and waits for it.
    ~CleanupModel() override;

    // Why an item may not be touched, or none, judged by its path; the job then reaches each
    // item below the snapshot's root and refuses what it cannot reach that way.
    std::optional<std::string> refusal(const std::string& path) const;
    bool busy() const { return busy_; }
    bool canUndo() const { return !busy_ && !trashed_.empty(); }
    const std::optional<Report>& lastReport() const { return report_; }

    // Each refuses (returns false) while a job runs, or when a path is refused.
    bool moveToTrash(std::vector<std::string> paths);
    bool deletePermanently(std::vector<std::string> paths);
    bool undoMoveToTrash();
    bool rescanFolder(std::string folder);
    void cancel() { cancelled_ = true; }

Q_SIGNALS:
    void busyChanged();
    // lastReport() holds what the job did.
    void finished();

private:
    struct Trashed {
        TrashMover::Trashed item;
        std::optional<SnapshotEdit::Removal> removal;
    };
    using Edit = std::function<void(const std::shared_ptr<StoreContainer>& store)>;
    bool anyRefused(const std::vector<std::string>& paths) const;
    // The item below the snapshot's root, or none with the reason in the report.
    std::optional<ResolvedItem> resolve(const std::string& path, Report& report) const;
    bool start(Action action, std::function<void(Report&)> job);
    // A writable container of the snapshot for one job (none, with the reason in the
    // report, when it is refused), and its end: the window's container takes the new version.
    std::shared_ptr<StoreContainer> openWritable(Report& report);
    void closeWritable(std::shared_ptr<StoreContainer>& writable);
    using Change = std::function<void(const std::string& path, const ResolvedItem& target,
                                      const std::shared_ptr<StoreContainer>& writable)>;
    // Opens the snapshot for writing, then changes each path resolved again just before,
    // until cancelled; false when the snapshot could not be opened.
    bool changeEach(Report& report, const std::vector<std::string>& paths, const Change& change);
    // Runs `edit` on it; a failure goes into the report.
    void editSnapshot(Report& report, const std::shared_ptr<StoreContainer>& writable, const Edit& edit);

    std::shared_ptr<StoreContainer> snapshot_;
    std::string scanRoot_;
    CleanupTargets::Guards guards_;
    bool busy_ = false;
    std::atomic<bool> cancelled_{false};
    std::thread worker_;
    std::optional<Report> report_;
    std::vector<Trashed> trashed_; // the last move to the trash, for its undo
    LifetimeToken lifetime_;
};

} // namespace vistrel
