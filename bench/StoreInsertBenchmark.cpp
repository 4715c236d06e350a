// Inserts 1,000,000 scan-shaped records in batches of 50,000, each batch through a fresh
// context with automatic saving off, in memory and on disk, as the scanner does.

#include "SyntheticSnapshot.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "store/VistrelFile.h"
#include "store/VistrelModelContainer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <string>
#include <sys/stat.h>

using namespace vistrel;

namespace {

constexpr std::size_t recordCount = 1000000;
constexpr std::size_t batchSize = 50000;

double insertAll(StoreContainer& container, const std::vector<FileSystemRecord>& records)
{
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t first = 0; first < records.size(); first += batchSize) {
        auto context = container.makeContext();
        context->setAutosaveEnabled(false);
        const std::size_t end = std::min(records.size(), first + batchSize);
        for (std::size_t index = first; index < end; ++index)
            VistrelFile::insert(records[index], *context);
        context->save();
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    const std::string storePath = argc > 1 ? argv[1] : "store-insert-benchmark.store";
    const auto records = bench::SyntheticSnapshot(recordCount).take();
    const double pathBytes = std::accumulate(records.begin(), records.end(), 0.0,
                                             [](double sum, const FileSystemRecord& r) { return sum + r.path.size(); });
    const auto [lowest, highest] = std::minmax_element(records.begin(), records.end(),
                                                       [](const auto& a, const auto& b) { return a.level < b.level; });
    std::printf("records=%zu average_path_bytes=%.1f levels=%lld..%lld\n", records.size(), pathBytes / records.size(),
                static_cast<long long>(lowest->level), static_cast<long long>(highest->level));

    auto memory = VistrelModelContainer::shared().makeContainer(true);
    const double memorySeconds = insertAll(*memory, records);
    memory.reset();
    std::printf("memory: %.2f s\n", memorySeconds);

    VistrelModelContainer::deleteStoreFile(storePath);
    auto disk = VistrelModelContainer::shared().makeContainer(storePath);
    const double diskSeconds = insertAll(*disk, records);
    disk.reset(); // closing checkpoints the write-ahead log into the file
    struct stat status { };
    ::stat(storePath.c_str(), &status);
    std::printf("disk: %.2f s, %lld bytes\n", diskSeconds, static_cast<long long>(status.st_size));
    VistrelModelContainer::deleteStoreFile(storePath);

    std::printf("memory_rows_per_s=%.0f disk_rows_per_s=%.0f disk_bytes_per_record=%.0f\n",
                records.size() / memorySeconds, records.size() / diskSeconds,
                static_cast<double>(status.st_size) / records.size());
    return 0;
}
