#pragma once

#include "filesystem/FileUrl.h"
#include "store/VistrelFile.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vistrel {

class StoreContext;

// What changed between two snapshots of one root. Both stores keep their rows ordered by
// (level, id), so each level below a directory is one range in each, and the two ranges are
// merged in step: nothing of either snapshot is held beyond the results asked for.
class SnapshotDiff {
public:
    // One item of either snapshot; a side where it does not exist is absent.
    struct Change {
        std::string id;
        std::string name;
        std::int64_t level = 0;
        std::optional<std::int64_t> resourceType; // the later snapshot's, when it has the item
        std::optional<std::int64_t> before; // the Size column's figure
        std::optional<std::int64_t> after;
        std::optional<std::int64_t> fileCountBefore;
        std::optional<std::int64_t> fileCountAfter;

        std::int64_t change() const { return after.value_or(0) - before.value_or(0); }
        std::uint64_t magnitude() const;
        bool isDirectory() const { return !id.empty() && id.back() == '/'; }
        // Present in one snapshot only, or of another size.
        bool changed() const { return !before || !after || *before != *after; }
        // The item as a row of the later snapshot, or with its earlier figures when it is gone.
        VistrelFile item() const;
    };

    struct Biggest {
        std::int64_t total = 0; // every changed item below the directory
        std::vector<Change> changes; // the largest absolute changes first, `limit` at most
    };

    // The directory's children in both snapshots, in path order, unchanged ones included.
    // Throws StoreError (also when either context is interrupted).
    static std::vector<Change> children(const FileUrl& directory, StoreContext& before, StoreContext& after);

    // The files and directories at any depth below the directory whose size changed most,
    // ties in path order. The levels are shared out between workerCount() threads, each with
    // connections of its own. Throws StoreError.
    static Biggest biggest(const FileUrl& directory, StoreContext& before, StoreContext& after,
                           std::size_t limit = 1000);

    // Every changed item below the directory, handed over as it is met, level by level and
    // in path order within a level: for scripts that want them all, in memory of their own
    // size. Returns how many there were. Throws StoreError.
    static std::int64_t every(const FileUrl& directory, StoreContext& before, StoreContext& after,
                              const std::function<void(const Change&)>& receive);

    // The page cache a connection needs for these passes, which read each page once.
    static constexpr int streamingCacheKibibytes = 2048;
};

} // namespace vistrel
