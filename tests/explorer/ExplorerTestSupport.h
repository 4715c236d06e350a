#pragma once

#include "store/SnapshotReader.h"
#include "store/StoreTestSupport.h"
#include "support/EventLoop.h"
#include "support/WidgetApplication.h"

#include "services/MainThread.h"

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

// Waits until every job posted to `reader` before the call has run and what it handed to the
// main thread has been delivered: the reader runs its jobs in order, and queued calls reach
// the main thread in the order they were made. Negative checks come after it.
inline bool settle(SnapshotReader& reader)
{
    auto delivered = std::make_shared<bool>(false);
    const LifetimeToken token;
    reader.post(
        [delivered, owner = token.watch()](StoreContext&) { onMainThread(owner, [delivered] { *delivered = true; }); });
    return waitUntil([&] { return *delivered; });
}

} // namespace vistrel::testing
