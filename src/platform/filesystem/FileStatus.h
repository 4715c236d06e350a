#pragma once

#include "FileResourceType.h"

#include <cstdint>
#include <optional>

namespace vistrel {

struct FileTimestamp {
    std::int64_t seconds = 0;
    std::uint32_t nanoseconds = 0;
    bool operator==(const FileTimestamp&) const = default;
};

// What one statx (links not followed) says of an item.
struct FileStatus {
    std::uint64_t device = 0; // st_dev as makedev(major, minor)
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t allocatedSize = 0; // st_blocks * 512
    std::uint32_t mode = 0;
    std::uint64_t linkCount = 0;
    std::uint32_t preferredBlockSize = 0;
    std::uint32_t ownerId = 0;
    std::uint32_t groupId = 0;
    FileTimestamp accessTime;
    FileTimestamp modificationTime;
    FileTimestamp changeTime;
    std::optional<FileTimestamp> birthTime; // absent when the file system keeps none
    std::optional<std::uint64_t> mountId; // statx STATX_MNT_ID: tells bind mounts apart
    bool mountRoot = false; // the root of a mount (a mount point or a bind mount), where the kernel says

    FileResourceType resourceType() const { return fileResourceTypeFromMode(mode); }
    bool isDirectory() const { return resourceType() == FileResourceType::directory; }
};

} // namespace vistrel
