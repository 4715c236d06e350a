#pragma once

#include "ScanScreenModel.h"

#include "filesystem/VolumeFigures.h"
#include "store/SnapshotCompletion.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace vistrel {

// What the scan screen shows when it appears, read from the disk in one go on a worker: the
// places and volumes to offer, the root's volume and its stored snapshots. The model applies it.
struct ScanScreenProbe {
    std::vector<ScanScreenModel::Place> places;
    std::vector<ScanScreenModel::VolumeChoice> volumes; // empty unless asked for
    std::optional<VolumeFigures> figures; // the root's volume
    std::string failure; // why the figures could not be read
    bool hasSnapshot = false;
    QString usedSpace; // where the volume's used space went, for a finished snapshot of a volume
    QString storeProblem; // why the stored snapshot cannot be opened; empty when it can
    bool storeCanBeDeleted = false;
    bool storeProblemIsTemporary = false; // another process holds the store: look again later
    std::optional<SnapshotCompletion::ScanFacts> facts; // of the current snapshot
    std::vector<ScanScreenModel::EarlierSnapshot> earlier;

    // Never on the main thread: a volume that stopped answering blocks it.
    static ScanScreenProbe look(const std::string& root, bool listVolumes, const std::vector<std::string>& recent);

private:
    void readSnapshots(const std::string& root);
};

} // namespace vistrel
