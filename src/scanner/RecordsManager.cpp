#include "RecordsManager.h"

namespace vistrel {

std::optional<std::vector<FileSystemRecord>> FileSystemWalker::RecordsManager::append(
    std::vector<FileSystemRecord>&& records)
{
    std::lock_guard lock(mutex_);
    if (pendingOperations_.empty() && records.size() >= batchSize_)
        return std::move(records); // a whole batch at once: no copy
    if (pendingOperations_.capacity() < batchSize_)
        pendingOperations_.reserve(batchSize_ + batchSize_ / 4);
    for (const FileSystemRecord& record : records)
        pendingPathBytes_ += record.path.size();
    std::move(records.begin(), records.end(), std::back_inserter(pendingOperations_));
    records.clear();
    if (pendingOperations_.size() < batchSize_ && pendingPathBytes_ < batchPathBytes)
        return std::nullopt;
    std::vector<FileSystemRecord> batch;
    batch.swap(pendingOperations_);
    pendingPathBytes_ = 0;
    return batch;
}

std::vector<FileSystemRecord> FileSystemWalker::RecordsManager::takePending()
{
    std::lock_guard lock(mutex_);
    std::vector<FileSystemRecord> remainder;
    remainder.swap(pendingOperations_);
    pendingPathBytes_ = 0;
    return remainder;
}

} // namespace vistrel
