#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vistrel {

// The figures of the volume holding a path. A figure the file system does not report is absent.
struct VolumeFigures {
    std::optional<std::int64_t> totalCapacity; // bytes
    std::optional<std::int64_t> availableCapacity; // bytes, for unprivileged users
    std::optional<std::int64_t> resourceCount; // used inodes: files and directories
    std::optional<std::string> localizedFormatDescription; // the file-system type, "ext4"
    std::optional<std::string> localizedName; // the label, else the mount point
    std::optional<std::string> label; // the file-system label udev knows, if any

    // Throws FileSystemError when the path cannot be examined.
    static VolumeFigures read(const std::string& path);
};

} // namespace vistrel
