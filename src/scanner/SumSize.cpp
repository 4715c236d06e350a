#include "SumSize.h"

namespace vistrel {

void FileSystemWalker::SumSize::add(const FileID& id, const FileSize& size)
{
    if (sizes_.try_emplace(id, size).second) {
        allocatedSum_ += size.totalAllocatedSize;
        sizeSum_ += size.totalSize;
    }
}

void FileSystemWalker::SumSize::addDistinct(const FileSize& size)
{
    distinctAllocatedSum_ += size.totalAllocatedSize;
    distinctSizeSum_ += size.totalSize;
}

void FileSystemWalker::SumSize::merge(const SumSize& other)
{
    distinctAllocatedSum_ += other.distinctAllocatedSum_;
    distinctSizeSum_ += other.distinctSizeSum_;
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
    distinctAllocatedSum_ += other.distinctAllocatedSum_;
    distinctSizeSum_ += other.distinctSizeSum_;
    // Adopt the larger map, then lay ours over it: on a clash our value is the one that wins.
    Map ours = std::move(sizes_);
    sizes_ = std::move(other.sizes_);
    allocatedSum_ = other.allocatedSum_;
    sizeSum_ = other.sizeSum_;
    for (const auto& [id, size] : ours) {
        auto [position, inserted] = sizes_.try_emplace(id, size);
        if (!inserted) {
            allocatedSum_ -= position->second.totalAllocatedSize;
            sizeSum_ -= position->second.totalSize;
            position->second = size;
        }
        allocatedSum_ += size.totalAllocatedSize;
        sizeSum_ += size.totalSize;
    }
    fileCount += other.fileCount;
}

} // namespace vistrel
