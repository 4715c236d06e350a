#pragma once

#include "CommandLine.h"

#include "filesystem/FileUrl.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vistrel {
class StoreContainer;
class VistrelFile;
} // namespace vistrel

namespace vistrel::cli {

// What the read commands share: opening an existing snapshot, and printing entities.
class SnapshotOutput {
public:
    // The options of the commands that read a snapshot below a directory.
    // The store at `location`, or the per-user one, read-only; nothing (after a message on
    // stderr) when it is missing, cannot be read or a scan is writing it. Never creates or
    // changes a store. Warns on stderr when the snapshot's scan did not finish.
    // Without a location, the per-user snapshot of the scan root that holds `directory`.
    static std::shared_ptr<StoreContainer> openExisting(const std::optional<std::string>& location,
                                                        const std::string& directory = "/");

    // The directory --under names (else "/") and, read-only, the snapshot that holds it: the
    // one --store names, else the per-user one. Nothing, after a message, as openExisting.
    static std::shared_ptr<StoreContainer> openUnder(const CommandLine& line, FileUrl* directory);

    // One JSON object: id, name, level, fileResourceType, fileCount, totalSize,
    // totalAllocatedSize, isPurgeable, in that order.
    static std::string json(const VistrelFile& file);
    // Name, file count and size columns for people; names shown with terminal-safe escapes.
    static std::string tableRow(const VistrelFile& file);
    static std::string tableRow(std::string displayName, std::optional<std::int64_t> fileCount,
                                std::optional<std::int64_t> allocatedSize);
    static std::string tableHeader();
};

} // namespace vistrel::cli
