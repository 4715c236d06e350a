#pragma once

#include "CommandLine.h"

#include "filesystem/FileUrl.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vistrel {
class StoreContainer;
class StoreContext;
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

    // Reads, with `read`, the directory --under names (else "/") in the snapshot that holds
    // it: the one --store names, else the per-user one, opened as openExisting does. A read
    // that fails ends with "<failure>: <why>". Returns the exit status.
    static int readUnder(const CommandLine& line, const std::string& failure,
                         const std::function<void(const FileUrl& directory, StoreContext& context)>& read);

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
