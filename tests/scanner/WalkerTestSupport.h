#pragma once

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "scanner/FileSystemWalker.h"
#include "store/VistrelFile.h"
#include "store/VistrelModelContainer.h"

#include <map>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace vistrel::testing {

// One finished scan of a real tree into an in-memory store.
struct ScanResult {
    std::map<std::string, VistrelFile> files; // by path
    std::vector<std::string> arrivalOrder; // the order records reached the writer
    FileSystemWalker::Statistics statistics;
    std::shared_ptr<StoreContainer> container;

    const VistrelFile& at(const std::string& path) const { return files.at(path); }
};

inline ScanResult scanTree(const std::string& root, FileSystemWalker::Options options = FileSystemWalker::Options{})
{
    ScanResult result;
    result.container = VistrelModelContainer::shared().makeContainer(true);
    std::mutex orderMutex;
    auto encoder = [&](const FileSystemRecord& record, StoreContext& context) {
        {
            std::lock_guard lock(orderMutex);
            result.arrivalOrder.push_back(record.path);
        }
        VistrelFile::insert(record, context);
    };
    std::stop_source stop;
    FileSystemWalker walker(FileUrl(root), nullptr, result.container, encoder, {}, stop.get_token(), options);
    walker.walk();
    result.statistics = walker.statistics();
    auto context = result.container->makeContext();
    for (StoredObject& object : context->fetch(StoreFetchDescriptor{})) {
        VistrelFile file = VistrelFile::fromStored(std::move(object), result.container->storeIdentity());
        std::string path = file.id;
        result.files.emplace(std::move(path), std::move(file));
    }
    return result;
}

// What statx reports for a path: logical and allocated bytes.
inline std::pair<std::int64_t, std::int64_t> sizesOf(const std::string& path)
{
    struct stat status { };
    ::lstat(path.c_str(), &status);
    return {status.st_size, static_cast<std::int64_t>(status.st_blocks) * 512};
}

} // namespace vistrel::testing
