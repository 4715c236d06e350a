#include "SnapshotCompletion.h"

#include "objectstore/StoreContainer.h"

#include <charconv>

namespace vistrel {

namespace {
constexpr const char* finishedKey = "scanFinished";
constexpr const char* unreadableKey = "unreadableDirectories";
constexpr const char* scanRootKey = "scanRoot";
} // namespace

void SnapshotCompletion::markUnfinished(StoreContainer& container)
{
    container.setMetadataValue(finishedKey, "false");
    container.setMetadataValue(unreadableKey, "");
}

void SnapshotCompletion::markFinished(StoreContainer& container, std::int64_t unreadableDirectories)
{
    container.setMetadataValue(unreadableKey, std::to_string(unreadableDirectories));
    container.setMetadataValue(finishedKey, "true");
}

bool SnapshotCompletion::isFinished(StoreContainer& container)
{
    return container.metadataValue(finishedKey).value_or("true") != "false";
}

void SnapshotCompletion::recordScanRoot(StoreContainer& container, const std::string& path)
{
    container.setMetadataValue(scanRootKey, path);
}

std::optional<std::string> SnapshotCompletion::scanRoot(StoreContainer& container)
{
    return container.metadataValue(scanRootKey);
}

std::optional<std::int64_t> SnapshotCompletion::unreadableDirectories(StoreContainer& container)
{
    const auto text = container.metadataValue(unreadableKey);
    std::int64_t count = 0;
    if (!text || text->empty() || std::from_chars(text->data(), text->data() + text->size(), count).ec != std::errc())
        return std::nullopt;
    return count;
}

} // namespace vistrel
