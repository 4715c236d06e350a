#pragma once

#include "SnapshotDiff.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vistrel {

class StoreContainer;
class StoreContext;

// The snapshot shown, compared with an earlier one of the same root: what the window asks of
// the earlier snapshot for the directory, the item or the subtree it shows. Any thread may
// ask; each question reads the earlier store through a connection of its own.
class SnapshotComparison {
public:
    SnapshotComparison(std::shared_ptr<StoreContainer> earlier, std::optional<std::int64_t> earlierEndedAt);

    StoreContainer& earlier() const { return *earlier_; }
    // When the earlier scan ended (seconds since the epoch), when it is known.
    std::optional<std::int64_t> earlierEndedAt() const { return earlierEndedAt_; }

    struct Children {
        std::unordered_map<std::string, SnapshotDiff::Change> byId; // every child of either snapshot
        std::vector<SnapshotDiff::Change> removed; // the ones only the earlier snapshot has, largest first
    };
    // A directory's children in both snapshots. Throws StoreError.
    Children children(const FileUrl& directory, StoreContext& current) const;
    // One item in both snapshots (the scan root by its kept totals); absent when neither has it.
    std::optional<SnapshotDiff::Change> item(const FileUrl& url, StoreContext& current) const;
    SnapshotDiff::Biggest biggest(const FileUrl& directory, StoreContext& current, std::size_t limit) const;
    // The earlier snapshot's sizes below a directory, as a map reads the shown one (items
    // smaller than `minimumShare` of the children's total left out), by id.
    std::unordered_map<std::string, std::int64_t> earlierSizes(const FileUrl& directory, double minimumShare) const;

private:
    std::shared_ptr<StoreContainer> earlier_;
    std::optional<std::int64_t> earlierEndedAt_;
};

} // namespace vistrel
