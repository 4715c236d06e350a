#pragma once

#include "scanner/FileSystemWalker.h"
#include "store/VistrelFile.h"

#include <memory>
#include <stop_token>

namespace vistrel {

class ScanProgress;
class StoreContainer;

// Walks one folder of a snapshot again, with the scanner's rules and the snapshot's own
// exclusions, and replaces its part of the snapshot in one transaction: its rows, its own
// figures, and every ancestor's (the scan root's kept totals too) moved by the difference.
// A hard link whose other links lie outside the folder counts as a scan of the folder
// alone counts it.
class FolderRescan {
public:
    struct Result {
        std::int64_t records = 0; // rows the folder now has below it
        std::int64_t fileCountChange = 0;
        std::int64_t totalSizeChange = 0;
        std::int64_t totalAllocatedSizeChange = 0;
        FileSystemWalker::Statistics statistics;
        double seconds = 0;
    };

    // Throws StoreError (the store cannot be written, or does not hold `folder` as a
    // folder), FileSystemError (the folder is gone) or FileSystemWalkerError (cancelled,
    // nothing changed).
    static Result run(const FileUrl& folder, const std::shared_ptr<StoreContainer>& snapshot, std::stop_token stop,
                      ScanProgress* progress = nullptr);
};

} // namespace vistrel
