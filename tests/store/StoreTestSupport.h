#pragma once

#include "filesystem/FileUrl.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "scanner/FileSystemRecord.h"
#include "store/VistrelFile.h"
#include "store/VistrelModelContainer.h"
#include "support/TemporaryTree.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vistrel::testing {

// A record as the walker would make it for `path` (directories end with '/').
inline FileSystemRecord recordFor(const std::string& path, std::int64_t allocated = 0)
{
    FileSystemRecord record;
    record.path = path;
    record.level = FileUrl(path).pathComponentCount();
    record.fileResourceType = FileUrl(path).isDirectory() ? 255 : 50;
    record.totalSize = allocated;
    record.totalAllocatedSize = allocated;
    return record;
}

inline void save(StoreContainer& container, const std::vector<FileSystemRecord>& records)
{
    auto context = container.makeContext();
    context->setAutosaveEnabled(false);
    for (const auto& record : records)
        context->insert(VistrelFile(record).toStored());
    context->save();
}

// Every row of a snapshot, by id.
inline std::map<std::string, VistrelFile> storedFiles(StoreContainer& container)
{
    std::map<std::string, VistrelFile> all;
    auto context = container.makeContext();
    for (StoredObject& object : context->fetch({})) {
        VistrelFile file = VistrelFile::fromStored(std::move(object), {});
        std::string id = file.id;
        all.emplace(std::move(id), std::move(file));
    }
    return all;
}

inline std::vector<std::string> ids(const std::vector<VistrelFile>& files)
{
    std::vector<std::string> result;
    for (const auto& file : files)
        result.push_back(file.id);
    return result;
}

// Containers of both kinds, so every query runs in memory and on disk.
class StoreKinds {
public:
    std::shared_ptr<StoreContainer> make(bool inMemory)
    {
        if (inMemory)
            return VistrelModelContainer::shared().makeContainer(true);
        return VistrelModelContainer::shared().makeContainer(tree_.path("snapshot.store"));
    }
    TemporaryTree& tree() { return tree_; }

private:
    TemporaryTree tree_;
};

} // namespace vistrel::testing
