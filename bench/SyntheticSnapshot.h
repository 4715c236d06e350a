#pragma once

// Records shaped like a real scan, for the store benchmarks: paths of about 60 bytes at
// levels 2 to 12, in the order the walker submits them (a directory's files, then its
// subdirectories once their subtrees are done). Deterministic.

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "scanner/FileSystemRecord.h"
#include "store/VistrelFile.h"
#include "store/VistrelModelContainer.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace vistrel::bench {

// Saves records into a container in batches of 50,000, as a scan does.
inline void saveRecords(StoreContainer& container, const std::vector<FileSystemRecord>& records)
{
    for (std::size_t first = 0; first < records.size(); first += 50000) {
        auto context = container.makeContext();
        context->setAutosaveEnabled(false);
        for (std::size_t index = first; index < std::min(records.size(), first + 50000); ++index)
            VistrelFile::insert(records[index], *context);
        context->save();
    }
}

// The directory "/big/" with 100,000 direct entries, its totals their sum: the explorer's and
// the map's large-directory case.
inline void addBigDirectory(std::vector<FileSystemRecord>& records)
{
    FileSystemRecord big;
    big.path = "/big/";
    big.level = 2;
    big.fileResourceType = 255;
    big.fileCount = 100000;
    big.totalSize = big.totalAllocatedSize = 0;
    for (int index = 0; index < 100000; ++index) {
        FileSystemRecord entry;
        entry.path = "/big/entry" + std::to_string(index) + ".bin";
        entry.level = 3;
        entry.fileResourceType = 50;
        entry.totalSize = entry.totalAllocatedSize = (index * 7919) % 100000;
        *big.totalAllocatedSize += *entry.totalAllocatedSize;
        records.push_back(std::move(entry));
    }
    big.totalSize = big.totalAllocatedSize;
    records.push_back(big);
}

class SyntheticSnapshot {
public:
    explicit SyntheticSnapshot(std::size_t target)
        : target_(target)
    {
        records_.reserve(target + 64);
    }

    std::vector<FileSystemRecord> take()
    {
        while (records_.size() < target_)
            walk("/", 1, "t" + std::to_string(topCount_++));
        records_.resize(target_);
        return std::move(records_);
    }

    // Names drawn from these stems give a search text realistic selectivity.
    static constexpr const char* stems[]
        = {"rep", "img", "conf", "mod", "idx", "cache", "lib", "note", "bak", "pic", "rend", "lay", "thumb", "src"};

private:
    std::string name(const char* suffix)
    {
        std::string text = stems[random_() % std::size(stems)];
        text += std::to_string(random_() % 100);
        return text + suffix;
    }

    // Appends the subtree's records, this directory's own record last; returns its allocated
    // totals, which are also its record's (its files' and subdirectories' sizes added up).
    std::pair<std::int64_t, std::int64_t> walk(const std::string& parent, std::int64_t parentLevel,
                                               const std::string& directoryName)
    {
        const std::string path = parent + directoryName + "/";
        const std::int64_t level = parentLevel + 1;
        const int files = 4 + static_cast<int>(random_() % 30);
        std::int64_t size = 0;
        std::int64_t allocated = 0;
        for (int index = 0; index < files && records_.size() < target_; ++index) {
            records_.push_back(fileRecord(path + name("_") + std::to_string(index) + ".dat", level + 1));
            size += *records_.back().totalSize;
            allocated += *records_.back().totalAllocatedSize;
        }
        const int maxChildren = level < 4 ? 6 : (level < 8 ? 3 : (level < 11 ? 2 : 0));
        const int children = maxChildren ? static_cast<int>(random_() % (maxChildren + 1)) : 0;
        for (int index = 0; index < children && records_.size() < target_; ++index) {
            const auto [belowSize, belowAllocated] = walk(path, level, name("") + static_cast<char>('a' + index));
            size += belowSize;
            allocated += belowAllocated;
        }
        FileSystemRecord directory;
        directory.path = path;
        directory.level = level;
        directory.fileResourceType = 255;
        directory.fileCount = files;
        random_(); // once drew the directory's size: the same draws keep the same tree
        directory.totalSize = size;
        directory.totalAllocatedSize = allocated;
        records_.push_back(std::move(directory));
        return {size, allocated};
    }

    FileSystemRecord fileRecord(std::string path, std::int64_t level)
    {
        FileSystemRecord record;
        record.path = std::move(path);
        record.level = level;
        record.fileResourceType = 50;
        record.totalSize = static_cast<std::int64_t>(random_() % 1000000);
        record.totalAllocatedSize = (*record.totalSize + 4095) / 4096 * 4096;
        return record;
    }

    std::size_t target_;
    std::mt19937_64 random_{20261207};
    std::vector<FileSystemRecord> records_;
    int topCount_ = 0;
};

// The 1,000,000-row snapshot of the window's benchmarks (900,000 synthetic rows and /big/),
// in memory and in a store file at `storePath`, opened read-only as the application opens one.
struct BenchmarkSnapshots {
    std::shared_ptr<StoreContainer> memory;
    std::shared_ptr<StoreContainer> disk;
};

inline BenchmarkSnapshots makeBenchmarkSnapshots(const std::string& storePath)
{
    auto records = SyntheticSnapshot(900000).take();
    addBigDirectory(records);
    std::printf("records=%zu\n", records.size());
    BenchmarkSnapshots snapshots;
    snapshots.memory = VistrelModelContainer::shared().makeContainer(true);
    saveRecords(*snapshots.memory, records);
    VistrelModelContainer::deleteStoreFile(storePath);
    {
        auto writer = VistrelModelContainer::shared().makeContainer(storePath);
        saveRecords(*writer, records);
    }
    snapshots.disk = VistrelModelContainer::shared().makeContainer(storePath, VistrelModelContainer::Access::readOnly);
    return snapshots;
}

} // namespace vistrel::bench
