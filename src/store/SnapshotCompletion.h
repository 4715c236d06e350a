#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vistrel {

class FileUrl;
class StoreContainer;
class StoreContext;
class VistrelFile;

// Whether the scan that wrote a snapshot finished, kept in the store itself: a scan marks it
// unfinished before its first batch and finished at its end, so a snapshot left by a killed
// or crashed scan says so.
class SnapshotCompletion {
public:
    static constexpr const char* incompleteMessage = "incomplete snapshot: its scan did not finish";

    static void markUnfinished(StoreContainer& container);
    static void markFinished(StoreContainer& container, std::int64_t unreadableDirectories);

    // False only for a snapshot whose scan began and never finished; snapshots written before
    // the mark existed read as finished.
    static bool isFinished(StoreContainer& container);
    // The directory the scan started from (absent in snapshots written before it was kept).
    static void recordScanRoot(StoreContainer& container, const std::string& path);
    static std::optional<std::string> scanRoot(StoreContainer& container);
    // The exclusion patterns the scan was made with, in their order (none for snapshots
    // written before they were kept). Recorded by every scan, so none linger from the last.
    static void recordExclusions(StoreContainer& container, const std::vector<std::string>& patterns);
    static std::vector<std::string> exclusions(StoreContainer& container);
    // The folders the scan could not read, by path with the reason ("Permission denied"),
    // the first so many. Absent for snapshots written before they were kept.
    struct UnreadableFolder {
        std::string path;
        std::string reason;
        bool operator==(const UnreadableFolder&) const = default;
    };
    static constexpr std::size_t maximumUnreadableFolders = 10000;
    static void recordUnreadableFolders(StoreContainer& container, const std::vector<UnreadableFolder>& folders);
    static std::optional<std::vector<UnreadableFolder>> unreadableFolders(StoreContainer& container);
    // Directories the finished scan could not read (absent when unknown).
    static std::optional<std::int64_t> unreadableDirectories(StoreContainer& container);

    // The scan root has no row of its own; its totals are kept here so that its listing can
    // end with "Other files" like any directory's.
    struct RootTotals {
        std::int64_t fileCount = 0;
        std::int64_t totalSize = 0;
        std::int64_t totalAllocatedSize = 0;
    };
    static void recordRootTotals(StoreContainer& container, const RootTotals& totals);
    // The same in the transaction of the context's next save, with the edit it goes with.
    static void recordRootTotalsAtSave(StoreContext& context, const RootTotals& totals);
    // When the snapshot was last changed in place after its scan (seconds since the epoch),
    // set in the edit's own transaction; absent for a snapshot as scanned.
    static void recordModifiedAtSave(StoreContext& context, std::int64_t secondsSinceEpoch);
    static std::optional<std::int64_t> modifiedAt(StoreContainer& container);
    // Absent in snapshots written before they were kept, and while a scan is unfinished.
    static std::optional<RootTotals> rootTotals(StoreContainer& container);
    // When the scan ran (seconds since the epoch), how many rows it saved and how much of
    // the volume was in use when it ended: what a list of kept snapshots shows.
    struct ScanFacts {
        std::int64_t startedAt = 0;
        std::int64_t endedAt = 0;
        std::int64_t entryCount = 0;
        std::optional<std::int64_t> volumeUsedBytes;
        bool operator==(const ScanFacts&) const = default;
    };
    static void recordScanFacts(StoreContainer& container, const ScanFacts& facts);
    // Absent in snapshots written before they were kept.
    static std::optional<ScanFacts> scanFacts(StoreContainer& container);
    // A snapshot read from another program's export (its name and version, "ncdu 1.18"):
    // it may describe another machine. Absent for a scan.
    static void recordImportedFrom(StoreContainer& container, const std::string& program);
    static std::optional<std::string> importedFrom(StoreContainer& container);
    // The scan root as an item (it has no row), with its totals when they were kept; absent
    // when `root` is not the scan root.
    static std::optional<VistrelFile> scanRootFile(StoreContainer& container, const FileUrl& root);
};

} // namespace vistrel
