#pragma once

#include "UnmeasuredFolders.h"
#include "filesystem/FileUrl.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QMenu;

namespace vistrel {

class ComparisonModel;
class NavigationModel;
class Preferences;
class SnapshotReader;

// What every explorer screen of one open snapshot shares: its reader, the navigation state,
// the preferences and what the snapshot says of its scan.
struct ExplorerEnvironment {
    std::shared_ptr<SnapshotReader> reader;
    // Searches run on a reader of their own, so a long one never holds up the table.
    std::shared_ptr<SnapshotReader> searchReader;
    NavigationModel* navigationModel = nullptr;
    Preferences* preferences = nullptr;
    // The directory the snapshot was scanned from: the root screen starts there.
    FileUrl scanRoot{"/"};
    bool scanFinished = true;
    std::optional<std::int64_t> unreadableDirectories;
    // The finished scan's allocated total, against which the root tells where the volume's
    // used space went; absent when unknown.
    std::optional<std::int64_t> scannedAllocated;
    // Why folders without figures have none (left out, another file system, unreadable).
    std::shared_ptr<const UnmeasuredFolders> unmeasuredFolders;
    // Offered when a read fails: open the same store file again (empty for a snapshot that
    // lives only in memory), or scan anew.
    std::function<void()> reopenSnapshot;
    std::function<void()> rescan;
    // Counts the changes made to the snapshot in place (cleanups): a screen that comes back
    // to the front after one makes its map again.
    std::shared_ptr<int> snapshotChanges = std::make_shared<int>(0);
    // When the snapshot shown is an earlier one from the history: the date its scan ended.
    QString earlierSnapshotDate;
    // When the snapshot was read from another program's export: that program ("ncdu 1.18").
    QString importedFrom;
    // What the scan that made the snapshot could not do beside it (keep the previous one).
    QString scanNote;
    // For a scan of a folder rather than a whole volume: the space used on its volume when
    // it was scanned, for the folder's share of it.
    std::optional<std::int64_t> volumeUsedBytes;
    // The earlier snapshot every screen compares with, when one is chosen.
    ComparisonModel* comparison = nullptr;
    // Adds the window's item actions (cleanup) to the context menu of the item at `path`.
    std::function<void(QMenu*, const std::string& path)> extendItemMenu;
};

} // namespace vistrel
