#pragma once

#include "FileStatus.h"

#include <optional>
#include <string>

namespace vistrel {

// The inode flags and generation of regular files and directories (FS_IOC_GETFLAGS,
// FS_IOC_GETVERSION). Each is absent where the file system or the permissions refuse it.
struct InodeFlags {
    std::optional<bool> immutable;
    std::optional<bool> appendOnly;
    std::optional<std::int64_t> generation;

    static InodeFlags read(int directoryFd, const std::string& name, const FileStatus& status);
};

} // namespace vistrel
