#include "ScanScreenModel.h"

#include "ScanScreenProbe.h"
#include "StoreProblem.h"

#include "filesystem/MountTable.h"
#include "filesystem/VolumeFigures.h"
#include "history/SnapshotHistory.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "objectstore/StoreError.h"
#include "scanner/ExclusionPatterns.h"
#include "services/Background.h"
#include "services/DisplayName.h"
#include "services/Formats.h"
#include "services/HomeFolder.h"
#include "services/Log.h"
#include "services/Preferences.h"
#include "services/Translations.h"
#include "store/SnapshotCompletion.h"
#include "store/VistrelModelContainer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

// The store's problem with the file it concerns, so that the person knows which file to look at.
QString text(const std::optional<std::string>& value)
{
    return value ? QString::fromStdString(*value) : QString();
}

QString summary(const SnapshotCompletion::ScanFacts& facts)
{
    return QStringLiteral("Scanned %1, %2")
        .arg(Formats::relativeDateStyle(QDateTime::fromSecsSinceEpoch(facts.endedAt)),
             QCoreApplication::translate("Scan", "%1 items", nullptr, Translations::count(facts.entryCount))
                 .arg(Formats::groupedCount(facts.entryCount)));
}

} // namespace

ScanScreenModel::ScanScreenModel(Preferences* preferences, std::string root, QObject* parent)
    : QObject(parent)
    , preferences_(preferences)
    , root_(std::move(root))
{
    connect(&session_, &ScanSession::finished, this, [this] {
        const ScanSession::Outcome& outcome = session_.outcome();
        if (outcome.error) {
            // The scan stays on screen with its error until the user cancels (as the Part
            // has it), but the reason is shown instead of a bar that never moves.
            scanProblem_ = StoreProblem::describe(VistrelModelContainer::onDiskStoreLocation(root_), outcome.error);
            if (outcome.previousSnapshotKept)
                scanProblem_ += QStringLiteral(" The previous snapshot is kept.");
            Q_EMIT changed();
            return;
        }
        scanNote_ = outcome.historyProblem
            ? QStringLiteral("The scan finished, but %1.").arg(DisplayName::of(*outcome.historyProblem))
            : QString();
        // A cancelled scan to disk hands nothing over: the previous snapshot is offered again.
        if (outcome.container)
            Q_EMIT containerReady(outcome.container);
    });
    connect(&session_, &ScanSession::cancelFinished, this, [this] {
        setState(ViewState::idle);
        appear();
    });
    connect(&session_.progress(), &ScanProgress::changed, this, &ScanScreenModel::changed);
    connect(&importJob_, &NcduImportJob::progressChanged, this, [this] {
        session_.progress().setTotalUnitCount(importJob_.fileSize());
        session_.progress().setCompletedUnitCount(importJob_.bytesRead());
    });
    connect(&importJob_, &NcduImportJob::finished, this, [this] {
        if (auto container = importJob_.takeContainer()) {
            setState(ViewState::idle);
            Q_EMIT containerReady(std::move(container));
            return;
        }
        if (!importJob_.wasCancelled())
            scanProblem_ = QStringLiteral("“%1” cannot be read as an ncdu export: %2.")
                               .arg(DisplayName::of(importJob_.path()), QString::fromStdString(importJob_.error()));
        setState(ViewState::idle);
    });
}

bool ScanScreenModel::persistedSnapshot() const
{
    return preferences_ ? preferences_->persistedSnapshot() : true;
}

void ScanScreenModel::setPersistedSnapshot(bool on)
{
    if (preferences_)
        preferences_->setPersistedSnapshot(on);
    Q_EMIT changed();
}

QString ScanScreenModel::mainButtonTitle() const
{
    return state_ == ViewState::scanning ? QStringLiteral("Cancel") : QStringLiteral("Scan");
}

void ScanScreenModel::setState(ViewState state)
{
    state_ = state;
    Q_EMIT changed();
}

bool ScanScreenModel::isWholeVolume() const
{
    return root_ == "/" || selectedVolume() >= 0;
}

int ScanScreenModel::selectedVolume() const
{
    for (std::size_t index = 0; index < volumes_.size(); ++index)
        if (volumes_[index].root == root_)
            return static_cast<int>(index);
    return -1;
}

void ScanScreenModel::selectRoot(std::string root)
{
    if (state_ != ViewState::idle || root.empty())
        return;
    if (root.back() != '/')
        root += '/';
    if (root == root_)
        return;
    root_ = std::move(root);
    // What was said of the previous root's volume and snapshot no longer holds.
    volume_ = Volume();
    hasSnapshot_ = false;
    usedSpaceText_.clear();
    snapshotSummary_.clear();
    earlierSnapshots_.clear();
    storeProblem_.clear();
    scanProblem_.clear();
    storeCanBeDeleted_ = false;
    Q_EMIT changed();
    appear();
}

std::string ScanScreenModel::homeFolder()
{
    std::string home = HomeFolder::path();
    if (!home.empty() && home.back() != '/')
        home += '/';
    return home;
}

void ScanScreenModel::scanFolder(std::string folder)
{
    if (state_ != ViewState::idle || folder.empty())
        return;
    selectRoot(std::move(folder));
    startScan();
}

void ScanScreenModel::appear()
{
    const std::string root = root_;
    const bool listVolumes = volumes_.empty();
    std::vector<std::string> recent = preferences_ ? preferences_->recentFolders() : std::vector<std::string>{};
    runInBackground(
        lifetime_,
        [root, listVolumes, recent = std::move(recent)] { return ScanScreenProbe::look(root, listVolumes, recent); },
        [this, root](ScanScreenProbe probe) { apply(root, std::move(probe)); });
}

void ScanScreenModel::apply(const std::string& root, ScanScreenProbe probe)
{
    if (!probe.volumes.empty())
        volumes_ = std::move(probe.volumes);
    places_ = std::move(probe.places);
    if (root != root_)
        return; // another root was chosen meanwhile; its own look is on its way
    if (const auto& figures = probe.figures) {
        volume_.localizedName = text(figures->localizedName);
        volume_.resourceCount = figures->resourceCount.value_or(0);
        volume_.totalCapacity = figures->totalCapacity.value_or(0);
        volume_.availableCapacity = figures->availableCapacity.value_or(0);
        volume_.localizedFormatDescription = text(figures->localizedFormatDescription);
        volume_.usedCapacity = static_cast<std::int64_t>(static_cast<std::uint64_t>(volume_.totalCapacity)
                                                         - static_cast<std::uint64_t>(volume_.availableCapacity));
    } else {
        Log::error(LogCategory::app, "failed to access the volume. " + probe.failure);
    }
    hasSnapshot_ = probe.hasSnapshot;
    usedSpaceText_ = probe.usedSpace;
    snapshotSummary_ = probe.hasSnapshot && probe.facts ? summary(*probe.facts) : QString();
    earlierSnapshots_ = std::move(probe.earlier);
    storeProblem_ = probe.storeProblem;
    storeCanBeDeleted_ = probe.storeCanBeDeleted;
    if (probe.storeProblemIsTemporary)
        recheckStore();
    Q_EMIT changed();
}

void ScanScreenModel::mainButtonAction()
{
    switch (state_) {
    case ViewState::idle:
        startScan();
        break;
    case ViewState::scanning:
        if (importJob_.isRunning()) {
            setState(ViewState::cancelling);
            importJob_.cancel();
            break;
        }
        cancelScan();
        break;
    case ViewState::cancelling:
    case ViewState::finished:
        break;
    }
}

void ScanScreenModel::startScan()
{
    scanProblem_.clear();
    // A volume unmounted since it was listed leaves its empty mount point behind: scanning
    // that would replace the volume's snapshot with an empty one.
    if (const int listed = selectedVolume(); listed >= 0 && root_ != "/") {
        if (!MountTable::startsVolume(MountTable::read(), root_)) {
            const QString name = volumes_[static_cast<std::size_t>(listed)].name;
            volumes_.clear(); // listed anew
            selectRoot("/");
            scanProblem_
                = QStringLiteral("“%1” is no longer mounted: mount it again, or choose another volume.").arg(name);
            Q_EMIT changed();
            return;
        }
    }
    setState(ViewState::scanning);
    if (preferences_ && !isWholeVolume())
        preferences_->addRecentFolder(root_);
    // The volume's file count is the total only for a scan of the whole volume; a folder's
    // is not known before its walk.
    session_.progress().setTotalUnitCount(isWholeVolume() ? volume_.resourceCount : 0);
    session_.progress().setCompletedUnitCount(0);
    ScanSession::Request request;
    request.root = root_;
    if (preferences_) {
        std::vector<std::string> patterns;
        for (const QString& pattern : preferences_->exclusionPatterns())
            patterns.push_back(pattern.toStdString());
        try {
            request.walkerOptions.exclusions = ExclusionPatterns(std::move(patterns));
        } catch (const ExclusionPatterns::Error& invalid) {
            // Edited by hand in the settings file: said, and nothing scanned.
            scanProblem_ = QString::fromUtf8(invalid.what()) + QStringLiteral(". Correct it in Preferences.");
            setState(ViewState::idle);
            return;
        }
    }
    request.persistedSnapshot = persistedSnapshot(); // read once: later changes do not touch this scan
    if (preferences_)
        request.historyKeepCount = preferences_->historyKeepCount();
    session_.start(std::move(request));
}

void ScanScreenModel::cancelScan()
{
    setState(ViewState::cancelling);
    session_.cancel();
}

void ScanScreenModel::openPreviousSnapshot()
{
    try {
        Q_EMIT containerReady(
            VistrelModelContainer::shared().makeOnDiskContainer(VistrelModelContainer::Access::readOnly, root_));
    } catch (const ModelContainerError& error) {
        storeProblem_
            = StoreProblem::describe(VistrelModelContainer::onDiskStoreLocation(root_), std::current_exception());
        const bool temporary = StoreProblem::isTemporary(std::current_exception());
        storeCanBeDeleted_ = !temporary;
        hasSnapshot_ = false;
        if (temporary)
            recheckStore();
        Q_EMIT changed();
    }
}

void ScanScreenModel::openEarlierSnapshot(std::size_t index)
{
    if (index >= earlierSnapshots_.size())
        return;
    try {
        Q_EMIT containerReady(VistrelModelContainer::shared().makeContainer(earlierSnapshots_[index].location,
                                                                            VistrelModelContainer::Access::readOnly));
    } catch (const ModelContainerError&) {
        storeProblem_ = StoreProblem::describe(earlierSnapshots_[index].location, std::current_exception());
        storeCanBeDeleted_ = false; // that button deletes the current snapshot, not this one
        Q_EMIT changed();
    }
}

bool ScanScreenModel::deleteEarlierSnapshot(std::size_t index)
{
    if (index >= earlierSnapshots_.size())
        return false;
    const bool deleted = SnapshotHistory::remove(earlierSnapshots_[index].location);
    if (deleted)
        earlierSnapshots_.erase(earlierSnapshots_.begin() + static_cast<std::ptrdiff_t>(index));
    else
        storeProblem_ = QStringLiteral("The earlier snapshot “%1” could not be deleted.")
                            .arg(DisplayName::of(earlierSnapshots_[index].location));
    Q_EMIT changed();
    return deleted;
}

void ScanScreenModel::openExport(const std::string& path)
{
    if (state_ != ViewState::idle)
        return;
    scanProblem_.clear();
    session_.progress().setTotalUnitCount(0);
    session_.progress().setCompletedUnitCount(0);
    setState(ViewState::scanning);
    importJob_.start(path);
}

QString ScanScreenModel::importProgressText() const
{
    return QStringLiteral("Reading “%1”: %2 of %3")
        .arg(DisplayName::of(importJob_.path().substr(importJob_.path().rfind('/') + 1)),
             Formats::byteCount(importJob_.bytesRead()), Formats::byteCount(importJob_.fileSize()));
}

void ScanScreenModel::recheckStore()
{
    // Another scan or program holds the store: look again until it lets go, so the message
    // goes and "Open previous snapshot" comes back by itself.
    if (recheckPending_)
        return;
    recheckPending_ = true;
    QTimer::singleShot(storeRecheckInterval, this, [this] {
        recheckPending_ = false;
        if (!storeProblem_.isEmpty() && state_ == ViewState::idle)
            appear();
    });
}

void ScanScreenModel::deleteStoredSnapshot()
{
    VistrelModelContainer::deleteStoreFile(VistrelModelContainer::onDiskStoreLocation(root_));
    storeProblem_.clear();
    hasSnapshot_ = false;
    Q_EMIT changed();
    appear();
}

} // namespace vistrel
