#pragma once

#include "FileSystemWalker.h"

#include <mutex>
#include <optional>
#include <vector>

namespace vistrel {

// Gathers the records of many tasks until a batch is full; each batch is handed to exactly
// one caller, which saves it.
class FileSystemWalker::RecordsManager {
public:
    static constexpr std::size_t batchSize = FileSystemWalker::defaultBatchSize;

    explicit RecordsManager(std::size_t batchSize = RecordsManager::batchSize)
        : batchSize_(batchSize)
    {
    }

    // Deep trees make long paths: a batch is also full once its paths take this much.
    static constexpr std::size_t batchPathBytes = std::size_t{16} << 20;
    // Appends in order; returns every pending record once there are at least batchSize, or
    // batchPathBytes of paths.
    std::optional<std::vector<FileSystemRecord>> append(std::vector<FileSystemRecord>&& records);
    std::vector<FileSystemRecord> takePending();

private:
    std::mutex mutex_;
    std::size_t batchSize_;
    std::vector<FileSystemRecord> pendingOperations_;
    std::size_t pendingPathBytes_ = 0;
};

} // namespace vistrel
