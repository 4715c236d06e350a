#pragma once

#include "FileSystemWalker.h"

#include <cstdint>
#include <unordered_map>
#include <utility>

namespace vistrel {

// The distinct identities met in one subtree with their sizes, and its file count.
// Running sums beside the map keep totals() constant-time, and merge() moves the smaller
// map into the larger one; both give exactly what the plain rules give.
class FileSystemWalker::SumSize {
public:
    using Map = std::unordered_map<FileID, FileSize>;

    // The first size seen for an identity wins; fileCount is not touched.
    void add(const FileID& id, const FileSize& size);
    // For an identity that cannot be met again (one link, or a directory): counted in the
    // totals without a map entry, which add() would make and nothing would ever look up.
    void addDistinct(const FileSize& size);
    // Identities already here keep their size; the other's file count is added.
    void merge(SumSize&& other);
    void merge(const SumSize& other);

    // (sum of allocated sizes, sum of logical sizes) over the distinct identities.
    std::pair<std::int64_t, std::int64_t> totals() const
    {
        return {allocatedSum_ + distinctAllocatedSum_, sizeSum_ + distinctSizeSum_};
    }

    const Map& sizes() const { return sizes_; }
    std::int64_t fileCount = 0;

private:
    Map sizes_;
    std::int64_t allocatedSum_ = 0;
    std::int64_t sizeSum_ = 0;
    std::int64_t distinctAllocatedSum_ = 0;
    std::int64_t distinctSizeSum_ = 0;
};

} // namespace vistrel
