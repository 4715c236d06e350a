#pragma once

#include "ncdu/NcduImportJob.h"
#include "scan/ScanSession.h"
#include "services/LifetimeToken.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vistrel {

class Preferences;
class StoreContainer;
struct ScanScreenProbe;

// The state and actions of the scan screen: the volume's figures, whether a previous
// snapshot exists, the scan itself through ScanSession, and the container it hands over.
// Disk reads run off the main thread. Main thread only.
class ScanScreenModel : public QObject {
    Q_OBJECT
public:
    enum class ViewState { idle, scanning, cancelling, finished };

    struct Volume {
        std::int64_t resourceCount = 0;
        std::int64_t availableCapacity = 0;
        std::int64_t usedCapacity = 0;
        std::int64_t totalCapacity = 0;
        QString localizedName;
        QString localizedFormatDescription;
    };

    // A mounted volume the screen offers to scan.
    struct VolumeChoice {
        std::string root; // its mount point, as a directory path ending in "/"
        QString name; // the file-system label, else the mount point
        QString type; // "ext4"
        std::int64_t usedCapacity = 0;
        std::int64_t totalCapacity = 0;
    };

    // A folder offered beside the volumes: the home folder, then the ones scanned lately.
    struct Place {
        std::string root; // ending in "/"
        QString name; // "Home Folder", else the folder's name
        QString where; // its path, as shown
        bool hasSnapshot = false; // a stored snapshot of it exists
    };

    // `root` is what a scan walks at first: "/" in the application, a small tree in tests.
    ScanScreenModel(Preferences* preferences, std::string root = "/", QObject* parent = nullptr);

    ViewState state() const { return state_; }
    // The directory a scan walks, and the per-user snapshot the screen offers: the selected
    // volume's mount point or the folder chosen.
    const std::string& root() const { return root_; }
    const std::vector<VolumeChoice>& volumes() const { return volumes_; }
    // The index in volumes() of the root, or -1 for a folder that is not a mount point.
    int selectedVolume() const;
    // Whether the root is where its volume starts ("/" or a listed mount point).
    bool isWholeVolume() const;
    // Chooses what the next scan walks (a directory path); ignored while a scan runs.
    void selectRoot(std::string root);
    // The home folder first, then the folders scanned lately (those whose snapshots still
    // exist first); a folder that is gone is left out. Reads the disk: the list is made
    // when the screen appears, off the main thread.
    const std::vector<Place>& places() const { return places_; }
    // Home Folder, a recent folder or Scan Folder…: selects it and scans it in one step.
    void scanFolder(std::string folder);
    // The home folder as bytes, ending in "/" ($HOME, else the password database's).
    static std::string homeFolder();
    const Volume& volume() const { return volume_; }
    bool hasSnapshot() const { return hasSnapshot_; }
    ScanProgress& progress() { return session_.progress(); }
    // Why the stored snapshot cannot be opened (damaged, foreign, busy); empty when it can.
    const QString& storeProblem() const { return storeProblem_; }
    // Whether deleting the stored snapshot would mend the problem (not for a busy store).
    bool storeCanBeDeleted() const { return storeCanBeDeleted_; }
    // Where the volume's used space went against its stored snapshot ("Used …: … scanned,
    // … reserved for the superuser, …"); empty without a whole volume's finished snapshot.
    const QString& usedSpaceText() const { return usedSpaceText_; }
    // The last scan's error, shown until the next scan.
    const QString& scanProblem() const { return scanProblem_; }
    // What the last finished scan could not do beside it (keep the previous snapshot), said
    // in the explorer it opens; empty when nothing.
    const QString& scanNote() const { return scanNote_; }

    bool persistedSnapshot() const;
    void setPersistedSnapshot(bool on);

    // Load volume info, then check previous snapshot: both off the main thread.
    void appear();
    // "Scan" while idle, "Cancel" while scanning; nothing otherwise.
    void mainButtonAction();
    bool mainButtonEnabled() const { return state_ == ViewState::idle || state_ == ViewState::scanning; }
    QString mainButtonTitle() const;
    // Shown only while idle with a snapshot on disk.
    bool showsOpenPreviousSnapshot() const { return hasSnapshot_ && state_ == ViewState::idle; }
    void openPreviousSnapshot();
    // Deletes the stored snapshot that cannot be opened, then checks again.
    void deleteStoredSnapshot();

    // "Scanned 2 hours ago, 412,331 items": when the current snapshot was made; empty when
    // that is not known.
    const QString& snapshotSummary() const { return snapshotSummary_; }
    // The snapshots of the root kept from earlier scans, newest first.
    struct EarlierSnapshot {
        std::string location;
        std::optional<std::int64_t> endedAt; // seconds since the epoch
        std::optional<std::int64_t> entryCount;
        std::int64_t bytesOnDisk = 0;
        QString problem; // why it cannot be opened; empty when it can
    };
    const std::vector<EarlierSnapshot>& earlierSnapshots() const { return earlierSnapshots_; }
    // Shown while idle, like "Open previous snapshot".
    bool showsEarlierSnapshots() const { return state_ == ViewState::idle && !earlierSnapshots_.empty(); }
    void openEarlierSnapshot(std::size_t index);
    // Deletes it from the history and lists the rest; false (with the reason in
    // storeProblem()) when it cannot.
    bool deleteEarlierSnapshot(std::size_t index);

    // Reads an ncdu export (ncdu -o, gdu -o, vistrel-cli export) into a snapshot in memory,
    // with the progress of a scan; "Cancel" stops it. The snapshot is handed over as a scan's.
    void openExport(const std::string& path);
    bool importing() const { return importJob_.isRunning(); }
    // "Reading “usr.json”: 40 MB of 90 MB" while importing.
    QString importProgressText() const;

    // How often a store held by another scan or program is looked at again.
    static constexpr int storeRecheckInterval = 2000;

    static constexpr const char* storageHelp = "Storing snapshots on disk requires several GB of additional storage "
                                               "space. Storing them in memory requires significant RAM usage.";
    static constexpr const char* footer
        = "While scanning, folders that your account cannot read are left out of the totals.";

Q_SIGNALS:
    void changed();
    // A snapshot to show: the end of a scan (also a cancelled one) or the previous snapshot.
    void containerReady(std::shared_ptr<StoreContainer> container);

private:
    void apply(const std::string& root, ScanScreenProbe probe);
    void startScan();
    void cancelScan();
    void setState(ViewState state);
    void recheckStore();

    Preferences* preferences_;
    std::string root_;
    ScanSession session_;
    NcduImportJob importJob_;
    ViewState state_ = ViewState::idle;
    Volume volume_;
    bool hasSnapshot_ = false;
    QString storeProblem_;
    bool storeCanBeDeleted_ = false;
    QString scanProblem_;
    QString scanNote_;
    std::vector<Place> places_;
    bool recheckPending_ = false;
    QString usedSpaceText_;
    QString snapshotSummary_;
    std::vector<EarlierSnapshot> earlierSnapshots_;
    std::vector<VolumeChoice> volumes_;
    LifetimeToken lifetime_;
};

} // namespace vistrel
