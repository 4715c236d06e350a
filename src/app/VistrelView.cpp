#include "VistrelView.h"

#include <QDateTime>
#include <QDir>

#include "AppNavigationSplitView.h"

#include "cleanup/CleanupModel.h"
#include "filesystem/MountTable.h"
#include "history/ComparisonModel.h"
#include "history/SnapshotHistory.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"
#include "scanview/ScanScreenModel.h"
#include "scanview/VistrelScanView.h"
#include "services/Formats.h"
#include "store/SnapshotCompletion.h"
#include "store/SnapshotReader.h"
#include "store/VistrelModelContainer.h"

#include <QMessageBox>

namespace vistrel {

VistrelView::VistrelView(Preferences* preferences, std::string scanRoot, QWidget* parent)
    : QStackedWidget(parent)
    , preferences_(preferences)
    , scanRoot_(std::move(scanRoot))
{
    showScanScreen();
}

void VistrelView::clear()
{
    // Both sides are made anew each time they are shown.
    while (count() > 0) {
        QWidget* page = widget(0);
        removeWidget(page);
        page->deleteLater();
    }
    if (scanModel_)
        scanModel_->deleteLater();
    scanModel_ = nullptr;
    scanView_ = nullptr;
    shell_ = nullptr;
    // Waits for a job in flight to stop between items.
    delete cleanup_;
    cleanup_ = nullptr;
    if (comparison_)
        comparison_->deleteLater();
    comparison_ = nullptr;
}

void VistrelView::showScanScreen()
{
    clear();
    scanModel_ = new ScanScreenModel(preferences_, scanRoot_, this);
    scanView_ = new VistrelScanView(scanModel_, this);
    addWidget(scanView_);
    setCurrentWidget(scanView_);
    connect(scanModel_, &ScanScreenModel::containerReady, this, [this](std::shared_ptr<StoreContainer> container) {
        open(std::move(container), scanModel_ ? scanModel_->scanNote() : QString());
    });
    scanModel_->appear();
    Q_EMIT contentChanged();
}

void VistrelView::open(std::shared_ptr<StoreContainer> container, QString scanNote)
{
    clear();
    container_ = std::move(container);
    ExplorerEnvironment environment;
    // The explorer's own readers over the container: the scan's contexts are not its.
    environment.reader = std::make_shared<SnapshotReader>(container_);
    environment.searchReader = std::make_shared<SnapshotReader>(container_);
    environment.preferences = preferences_;
    environment.scanNote = scanNote;
    try {
        environment.scanFinished = SnapshotCompletion::isFinished(*container_);
        environment.unreadableDirectories = SnapshotCompletion::unreadableDirectories(*container_);
        if (const auto totals = SnapshotCompletion::rootTotals(*container_))
            environment.scannedAllocated = totals->totalAllocatedSize;
        if (const auto root = SnapshotCompletion::scanRoot(*container_))
            environment.scanRoot = FileUrl::directory(*root);
        std::vector<std::string> mountPoints;
        const auto mounts = MountTable::read();
        for (const MountTable::Mount& mount : mounts)
            mountPoints.push_back(mount.mountPoint);
        // A folder's scan tells what share of its volume it takes; a volume's would say 100 %.
        if (const auto facts = SnapshotCompletion::scanFacts(*container_);
            facts && !MountTable::startsVolume(mounts, environment.scanRoot.path()))
            environment.volumeUsedBytes = facts->volumeUsedBytes;
        std::optional<std::vector<UnmeasuredFolders::Unreadable>> unreadable;
        if (const auto kept = SnapshotCompletion::unreadableFolders(*container_)) {
            unreadable.emplace();
            for (const auto& folder : *kept)
                unreadable->push_back({folder.path, folder.reason});
        }
        environment.unmeasuredFolders = std::make_shared<UnmeasuredFolders>(SnapshotCompletion::exclusions(*container_),
                                                                            mountPoints, std::move(unreadable));
    } catch (const StoreError&) {
        // A snapshot without these facts opens at "/" as complete.
    }
    if (!container_->configuration().inMemoryOnly) {
        const std::string location = container_->configuration().fileLocation;
        environment.reopenSnapshot = [this, location] { reopen(location); };
    }
    environment.rescan = [this] { scanAgain(); };
    // An earlier snapshot shows the disk as it was: cleaning up from it would act on figures
    // that no longer hold and rewrite the history.
    const std::string location = container_->configuration().fileLocation;
    if (SnapshotHistory::isEarlier(location)) {
        const auto facts = SnapshotCompletion::scanFacts(*container_);
        environment.earlierSnapshotDate = facts ? Formats::dateTimeStyle(QDateTime::fromSecsSinceEpoch(facts->endedAt))
                                                : QStringLiteral("an unknown date");
    } else if (const auto program = SnapshotCompletion::importedFrom(*container_)) {
        // Read from an export: it may describe another machine, whose paths mean other files here.
        environment.importedFrom = QString::fromStdString(*program);
    } else {
        cleanup_ = new CleanupModel(container_, QDir::homePath().toStdString());
    }
    environment.extendItemMenu = extendItemMenu_;
    comparison_ = new ComparisonModel(container_->configuration().fileLocation, environment.scanRoot.path(), this);
    environment.comparison = comparison_;
    if (cleanup_)
        connect(cleanup_, &CleanupModel::finished, this, [changes = environment.snapshotChanges] { ++*changes; });
    shell_ = new AppNavigationSplitView(environment, this);
    addWidget(shell_);
    setCurrentWidget(shell_);
    Q_EMIT contentChanged();
}

void VistrelView::reopen(const std::string& location)
{
    std::shared_ptr<StoreContainer> container;
    try {
        container = VistrelModelContainer::shared().makeContainer(location, VistrelModelContainer::Access::readOnly);
    } catch (const ModelContainerError& error) {
        QMessageBox::warning(this, QStringLiteral("Reopen Snapshot"),
                             QStringLiteral("Cannot open the snapshot store “%1”: %2")
                                 .arg(QString::fromUtf8(location.data(), static_cast<qsizetype>(location.size())),
                                      QString::fromUtf8(error.what())));
        return;
    }
    open(std::move(container));
}

void VistrelView::closeSnapshot()
{
    if (!container_)
        return;
    // A snapshot read from an export may name a root of another machine: the scan screen
    // stays on the one it had.
    try {
        if (!SnapshotCompletion::importedFrom(*container_))
            if (const auto root = SnapshotCompletion::scanRoot(*container_))
                scanRoot_ = *root;
    } catch (const StoreError&) {
    }
    clear();
    container_.reset(); // an in-memory snapshot is gone with it; one on disk can be opened again
    showScanScreen();
}

void VistrelView::scanAgain()
{
    if (!container_)
        return;
    closeSnapshot();
    if (scanModel_ && scanModel_->mainButtonEnabled())
        scanModel_->mainButtonAction();
}

} // namespace vistrel
