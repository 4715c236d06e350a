#include "ScanScreenProbe.h"

#include "StoreProblem.h"

#include "details/UsedSpaceText.h"
#include "filesystem/FileSystemError.h"
#include "filesystem/FileUrl.h"
#include "filesystem/MountTable.h"
#include "filesystem/UsedSpace.h"
#include "history/SnapshotHistory.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"
#include "services/DisplayName.h"
#include "services/Log.h"
#include "store/VistrelFile.h"
#include "store/VistrelModelContainer.h"

#include <algorithm>
#include <sys/stat.h>

namespace vistrel {

namespace {

using Place = ScanScreenModel::Place;
using VolumeChoice = ScanScreenModel::VolumeChoice;
using EarlierSnapshot = ScanScreenModel::EarlierSnapshot;

bool isFolder(const std::string& path)
{
    struct stat status { };
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool stored(const std::string& path)
{
    const std::string location = VistrelModelContainer::onDiskStoreLocation(path);
    struct stat status { };
    return !location.empty() && ::stat(location.c_str(), &status) == 0;
}

// Home first, then the recent folders that still exist, those with snapshots first.
std::vector<Place> placesFrom(const std::vector<std::string>& recent)
{
    std::vector<Place> places;
    const std::string home = ScanScreenModel::homeFolder();
    if (!home.empty() && isFolder(home))
        places.push_back({home, QStringLiteral("Home Folder"),
                          DisplayName::of(FileUrl(home).pathWithoutTrailingSeparator()), stored(home)});
    std::vector<Place> lately;
    for (std::string folder : recent) {
        if (folder.empty())
            continue;
        if (folder.back() != '/')
            folder += '/';
        if (folder == home || folder == "/" || !isFolder(folder))
            continue;
        std::string name = folder.substr(0, folder.size() - 1);
        name.erase(0, name.rfind('/') + 1);
        lately.push_back({folder, DisplayName::of(name),
                          DisplayName::of(FileUrl(folder).pathWithoutTrailingSeparator()), stored(folder)});
    }
    std::stable_partition(lately.begin(), lately.end(), [](const Place& place) { return place.hasSnapshot; });
    places.insert(places.end(), lately.begin(), lately.end());
    return places;
}

// A network volume that stopped answering holds the probe's thread, never the window.
std::vector<VolumeChoice> mountedVolumes()
{
    std::vector<VolumeChoice> volumes;
    for (const MountTable::Mount& mount : MountTable::currentVolumes()) {
        VolumeChoice choice;
        choice.root = mount.mountPoint == "/" ? "/" : mount.mountPoint + "/";
        choice.name = DisplayName::of(mount.mountPoint);
        choice.type = DisplayName::of(mount.type);
        try {
            const VolumeFigures figures = VolumeFigures::read(mount.mountPoint);
            if (figures.label)
                choice.name = DisplayName::of(*figures.label);
            choice.totalCapacity = figures.totalCapacity.value_or(0);
            choice.usedCapacity = choice.totalCapacity - figures.availableCapacity.value_or(0);
        } catch (const FileSystemError& error) {
            Log::error(LogCategory::app,
                       "cannot read the figures of " + mount.mountPoint + ": " + error.localizedDescription());
        }
        volumes.push_back(std::move(choice));
    }
    return volumes;
}

} // namespace

ScanScreenProbe ScanScreenProbe::look(const std::string& root, bool listVolumes, const std::vector<std::string>& recent)
{
    ScanScreenProbe probe;
    probe.places = placesFrom(recent);
    if (listVolumes)
        probe.volumes = mountedVolumes();
    try {
        probe.figures = VolumeFigures::read(root);
    } catch (const FileSystemError& error) {
        probe.failure = error.localizedDescription();
    }
    probe.readSnapshots(root);
    return probe;
}

void ScanScreenProbe::readSnapshots(const std::string& root)
{
    // Read-only, so looking never creates or changes the store.
    const std::string location = VistrelModelContainer::onDiskStoreLocation(root);
    struct stat status { };
    if (!location.empty() && ::stat(location.c_str(), &status) == 0) {
        try {
            auto container
                = VistrelModelContainer::shared().makeOnDiskContainer(VistrelModelContainer::Access::readOnly, root);
            hasSnapshot = VistrelFile::snapshotExists(container->mainContext());
            const auto totals = SnapshotCompletion::rootTotals(*container);
            if (hasSnapshot && totals && SnapshotCompletion::isFinished(*container)
                && MountTable::startsVolume(MountTable::read(), root))
                usedSpace = UsedSpaceText::describe(UsedSpace::measure(root, totals->totalAllocatedSize));
        } catch (const ModelContainerError& error) {
            Log::error(LogCategory::app, std::string("cannot load previous snapshot: ") + error.what());
            storeProblem = StoreProblem::describe(location, std::current_exception());
            storeProblemIsTemporary = StoreProblem::isTemporary(std::current_exception());
            storeCanBeDeleted = error.code() == StoreError::Code::notASnapshot
                || error.code() == StoreError::Code::incompatibleVersion || error.code() == StoreError::Code::failed;
        } catch (const std::exception& error) { // store errors, and what a damaged store provokes
            Log::error(LogCategory::app, std::string("cannot load previous snapshot: ") + error.what());
            storeProblem = StoreProblem::describe(location, std::current_exception());
            storeProblemIsTemporary = StoreProblem::isTemporary(std::current_exception());
            storeCanBeDeleted = !storeProblemIsTemporary;
        }
    }
    if (location.empty())
        return;
    // What a killed scan left goes; the kept snapshots are listed.
    SnapshotHistory::removeAbandoned(location);
    for (const SnapshotHistory::Snapshot& snapshot : SnapshotHistory::list(location)) {
        if (snapshot.current) {
            facts = snapshot.facts;
            continue;
        }
        EarlierSnapshot entry;
        entry.location = snapshot.location;
        if (snapshot.facts) {
            entry.endedAt = snapshot.facts->endedAt;
            entry.entryCount = snapshot.facts->entryCount;
        }
        entry.bytesOnDisk = snapshot.bytesOnDisk;
        entry.problem = snapshot.problem ? QString::fromStdString(*snapshot.problem) : QString();
        earlier.push_back(std::move(entry));
    }
}

} // namespace vistrel
