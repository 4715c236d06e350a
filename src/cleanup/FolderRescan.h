#pragma once

#include "scanner/FileSystemWalker.h"
#include "store/VistrelFile.h"

#include <memory>
#include <stdexcept>
#include <stop_token>

namespace vistrel {

class ScanProgress;
class StoreContainer;

// Walks one folder of a snapshot again, with the scanner's rules and the snapshot's own
// exclusions, and replaces its part of the snapshot in one transaction: its rows, its own
// figures, and every ancestor's (the scan root's kept totals too) moved by the difference.
// A hard link whose other links lie outside the folder counts as a scan of the folder
// alone counts it. A folder that no longer exists is taken out of the snapshot.
class FolderRescan {
public:
    struct Result {
        std::int64_t records = 0; // rows the folder now has below it
        std::int64_t fileCount = 0; // the folder's figures now
        std::int64_t totalSize = 0;
        std::int64_t totalAllocatedSize = 0;
        std::int64_t fileCountChange = 0;
        std::int64_t totalSizeChange = 0;
        std::int64_t totalAllocatedSizeChange = 0;
        bool gone = false; // the folder no longer exists: it left the snapshot
        FileSystemWalker::Statistics statistics;
        double seconds = 0;
    };

    // The snapshot does not hold the folder as a folder.
    class NotAFolder : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // The folder is not one a rescan may walk: reached through a link, a mount point, or
    // not the folder the snapshot describes.
    class Refused : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // The folder is reached below the snapshot's root without following links or crossing
    // mounts. Throws NotAFolder, Refused, StoreError (the store cannot be written), FileSystemError (the
    // folder is gone) or FileSystemWalkerError (cancelled); nothing changes then.
    static Result run(const FileUrl& folder, const std::shared_ptr<StoreContainer>& snapshot, std::stop_token stop,
                      ScanProgress* progress = nullptr);
};

} // namespace vistrel
