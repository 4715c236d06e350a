#pragma once

#include "store/StoreTestSupport.h"
#include "support/WidgetApplication.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vistrel::testing {

// A record of the snapshot (a directory when the path ends with '/'), with its file count.
inline FileSystemRecord item(const std::string& path, std::int64_t allocated, std::optional<std::int64_t> files = {})
{
    FileSystemRecord record = recordFor(path, allocated);
    record.fileCount = files;
    return record;
}

// An in-memory snapshot holding `records`.
inline std::shared_ptr<StoreContainer> snapshotOf(const std::vector<FileSystemRecord>& records)
{
    auto container = VistrelModelContainer::shared().makeContainer(true);
    save(*container, records);
    return container;
}

} // namespace vistrel::testing
