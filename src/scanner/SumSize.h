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

    // (sum of allocated sizes, sum of logical sizes) over the distinct identities; a sum
    // that does not fit in 64 bits is held at the largest value.
    std::pair<std::int64_t, std::int64_t> totals() const
    {
        return {saturated(allocatedSum_, distinctAllocatedSum_), saturated(sizeSum_, distinctSizeSum_)};
    }
    // Whether a sum went past the largest value: the totals are then a floor, not exact.
    bool overflowed() const
    {
        return overflowed_ || wraps(allocatedSum_, distinctAllocatedSum_) || wraps(sizeSum_, distinctSizeSum_);
    }

    const Map& sizes() const { return sizes_; }
    std::int64_t fileCount = 0;

private:
    static bool wraps(std::int64_t a, std::int64_t b)
    {
        std::int64_t ignored = 0;
        return __builtin_add_overflow(a, b, &ignored);
    }
    static std::int64_t saturated(std::int64_t a, std::int64_t b)
    {
        std::int64_t sum = 0;
        if (__builtin_add_overflow(a, b, &sum))
            return b > 0 ? INT64_MAX : INT64_MIN;
        return sum;
    }
    void addTo(std::int64_t& sum, std::int64_t value)
    {
        if (__builtin_add_overflow(sum, value, &sum)) {
            sum = value > 0 ? INT64_MAX : INT64_MIN;
            overflowed_ = true;
        }
    }

    bool overflowed_ = false;
    Map sizes_;
    std::int64_t allocatedSum_ = 0;
    std::int64_t sizeSum_ = 0;
    std::int64_t distinctAllocatedSum_ = 0;
    std::int64_t distinctSizeSum_ = 0;
};

} // namespace vistrel
