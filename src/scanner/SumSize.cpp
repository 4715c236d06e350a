#include "SumSize.h"

namespace vistrel {

void FileSystemWalker::SumSize::add(const FileID& id, const FileSize& size)
{
    if (sizes_.try_emplace(id, size).second) {
        addTo(allocatedSum_, size.totalAllocatedSize);
        addTo(sizeSum_, size.totalSize);
    }
}

void FileSystemWalker::SumSize::addDistinct(const FileSize& size)
{
    addTo(distinctAllocatedSum_, size.totalAllocatedSize);
    addTo(distinctSizeSum_, size.totalSize);
}

void FileSystemWalker::SumSize::merge(const SumSize& other)
{
    overflowed_ = overflowed_ || other.overflowed_;
    addTo(distinctAllocatedSum_, other.distinctAllocatedSum_);
    addTo(distinctSizeSum_, other.distinctSizeSum_);
    for (const auto& [id, size] : other.sizes_)
        add(id, size);
    fileCount += other.fileCount;
}

void FileSystemWalker::SumSize::merge(SumSize&& other)
{
    if (other.sizes_.size() <= sizes_.size()) {
        merge(static_cast<const SumSize&>(other));
        return;
    }
    overflowed_ = overflowed_ || other.overflowed_;
    addTo(distinctAllocatedSum_, other.distinctAllocatedSum_);
    addTo(distinctSizeSum_, other.distinctSizeSum_);
    // Adopt the larger map, then lay ours over it: on a clash our value is the one that wins.
    Map ours = std::move(sizes_);
    sizes_ = std::move(other.sizes_);
    allocatedSum_ = other.allocatedSum_;
    sizeSum_ = other.sizeSum_;
    for (const auto& [id, size] : ours) {
        auto [position, inserted] = sizes_.try_emplace(id, size);
        // Once a sum is held at the largest value, taking a size out would make it smaller
        // than the truth; it stays held instead.
        if (!inserted && !overflowed_) {
            allocatedSum_ -= position->second.totalAllocatedSize;
            sizeSum_ -= position->second.totalSize;
        }
        if (!inserted)
            position->second = size;
        addTo(allocatedSum_, size.totalAllocatedSize);
        addTo(sizeSum_, size.totalSize);
    }
    fileCount += other.fileCount;
}

} // namespace vistrel
