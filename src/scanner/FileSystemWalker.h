#pragma once

#include "ExclusionPatterns.h"
#include "FileID.h"
#include "FileSize.h"
#include "FileSystemRecord.h"
#include "filesystem/FileUrl.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

namespace vistrel {

struct FileStatus;
class ScanProgress;
class StoreContainer;
class StoreContext;

// Scans one directory tree in parallel into a store container: one record per item below
// the root, directories carrying their subtree's totals (hard links once, one file system).
// One walker per scan; walk() is called once.
class FileSystemWalker {
public:
    class SumSize; // SumSize.h
    class SyncronizationActor; // SyncronizationActor.h
    class RecordsManager; // RecordsManager.h

    // Runs a job on the user-interface thread, without waiting for it.
    using MainThreadHop = std::function<void(std::function<void()>)>;
    // Inserts a record's entity into a context; the store layer above provides it.
    using RecordEncoder = std::function<void(const FileSystemRecord&, StoreContext&)>;

    // Once the store is large the writer is the slower side and every walk thread waits for
    // it holding a full batch, which its malloc arena keeps afterwards. On the 10-million-file
    // tree 20,000 rows peaked at 110 MB where 50,000 reached 160 to 190 MB, 3% faster.
    static constexpr std::size_t defaultBatchSize = 20000;

    struct Options {
        std::int64_t maxConcurrentTasks = defaultMaxConcurrentTasks();
        std::size_t batchSize = defaultBatchSize;
        // Threads of the walk's arena; 0 picks defaultThreadCount().
        int threadCount = 0;
        // Deeper directories are logged and left unvisited, so that no tree can exhaust the stack.
        std::size_t maximumDepth = 100000;
        // Called before each batch is inserted, with its number from 0 (tests).
        std::function<void(std::size_t)> beforeBatchSave;
        // Called, from any of the walk's threads, for each directory left out because it
        // cannot be opened or listed, with the reason.
        std::function<void(const std::string& path, const std::string& reason)> unreadableDirectory;
        // Folders recorded without being walked (the root itself never is).
        ExclusionPatterns exclusions;
        // The root as an open folder, reached by the caller (a rescan resolves it below the
        // snapshot's root); the root's path then only names the records. Kept open by the
        // caller for the walk.
        int rootFd = -1;
    };

    struct MadeRecord {
        FileSystemRecord record;
        FileID id;
        FileSize size;
        // False when the item can be reached by one path only (one link, or a directory),
        // so its identity needs no entry in a SumSize map.
        bool identityMayRecur = true;
    };

    struct Statistics {
        std::int64_t savedRecords = 0;
        std::int64_t batchesSavedDuringWalk = 0;
        std::int64_t batchesSavedAtEnd = 0;
        std::int64_t rootFileCount = 0;
        std::int64_t rootTotalSize = 0;
        std::int64_t rootTotalAllocatedSize = 0;
        // Directories recorded without totals because they could not be opened or listed.
        std::int64_t unreadableDirectories = 0;
        // Directories recorded without totals because an exclusion pattern matched them.
        std::int64_t excludedDirectories = 0;
        // A total went past the largest 64-bit value (sparse files of exabytes): the totals
        // that hold it are held at that value, a floor rather than the exact sum.
        bool totalsHeldAtMaximum = false;
    };

    FileSystemWalker(FileUrl root, ScanProgress* progress, std::shared_ptr<StoreContainer> container,
                     RecordEncoder encoder, MainThreadHop runOnMainThread, std::stop_token stopToken);
    FileSystemWalker(FileUrl root, ScanProgress* progress, std::shared_ptr<StoreContainer> container,
                     RecordEncoder encoder, MainThreadHop runOnMainThread, std::stop_token stopToken, Options options);
    ~FileSystemWalker();
    FileSystemWalker(const FileSystemWalker&) = delete;
    FileSystemWalker& operator=(const FileSystemWalker&) = delete;

    // Walks the tree; returns the elapsed seconds. Throws FileSystemWalkerError (cancelled)
    // or the store's StoreError when a batch cannot be saved.
    double walk();

    Statistics statistics() const;

    // The record of one item at `path`, `level` components deep, from its attributes; when none
    // are given they are read with one statx of `name` relative to parentDirectoryFd. Nothing
    // when the item cannot be read. The walker knows the level from the directory it lists.
    static std::optional<MadeRecord> makeRecord(std::string path, std::int64_t level, int parentDirectoryFd,
                                                const char* name, const FileStatus* attributes);
    // The same for a URL alone (opens its parent directory, so any path length works).
    static std::optional<MadeRecord> makeRecord(const FileUrl& url, const FileStatus* attributes);

    // Processors x 8, computed once per process.
    static std::int64_t defaultMaxConcurrentTasks();
    // Listing and stat wait on the disk when the cache is cold, so the walk runs twice as
    // many threads as there are processors.
    static int defaultThreadCount();
    // The [start, end) ranges of the chunk tasks for `count` subdirectories and `granted` units.
    static std::vector<std::pair<std::size_t, std::size_t>> chunkRanges(std::size_t count, std::int64_t granted);

private:
    struct Walk;
    struct Place;
    std::unique_ptr<Walk> walk_;
};

} // namespace vistrel
