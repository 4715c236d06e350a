#pragma once

#include "filesystem/FileUrl.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "scanner/FileSystemRecord.h"
#include "store/VistrelFile.h"
#include "store/VistrelModelContainer.h"

#include "support/WidgetApplication.h"

#include <memory>
#include <string>
#include <vector>

namespace vistrel::testing {

// A record of the snapshot: a directory when the path ends with '/'.
inline FileSystemRecord item(const std::string& path, std::int64_t allocated, std::optional<std::int64_t> files = {})
{
    FileSystemRecord record;
    record.path = path;
    record.level = FileUrl(path).pathComponentCount();
    record.fileResourceType = FileUrl(path).isDirectory() ? 255 : 50;
    record.totalSize = allocated;
    record.totalAllocatedSize = allocated;
    record.fileCount = files;
    return record;
}

// An in-memory snapshot holding `records`.
inline std::shared_ptr<StoreContainer> snapshotOf(const std::vector<FileSystemRecord>& records)
{
    auto container = VistrelModelContainer::shared().makeContainer(true);
    auto context = container->makeContext();
    context->setAutosaveEnabled(false);
    for (const auto& record : records)
        VistrelFile::insert(record, *context);
    context->save();
    return container;
}

inline VistrelFile fileOf(const FileSystemRecord& record)
{
    return VistrelFile(record);
}

} // namespace vistrel::testing
