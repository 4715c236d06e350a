#pragma once

#include "FileStatus.h"
#include "LiveProperties.h"

#include <optional>
#include <string>

namespace vistrel {

class FileUrl;

// The file-system metadata service on Linux. Paths are bytes; links are never followed;
// paths longer than PATH_MAX work (reached through directory fds).
class FileSystemMetadata {
public:
    // One statx of `name` relative to directoryFd. Empty with *errorNumber set on failure.
    static std::optional<FileStatus> statusAt(int directoryFd, const char* name, int* errorNumber = nullptr);
    // The same, asking only for what a scan records: kind, owner, links, identity, sizes and
    // mount. Times come back as the file system happens to give them, or zero; a network
    // file system need not fetch them.
    static std::optional<FileStatus> scanStatusAt(int directoryFd, const char* name, int* errorNumber = nullptr);
    // The same for an absolute path (a trailing '/' is ignored). Throws FileSystemError.
    static FileStatus status(const std::string& path);

    // Everything the file system says of the item now. Throws FileSystemError when the item
    // cannot be reached.
    static LiveProperties liveProperties(const FileUrl& url);

    static unsigned processorCount();
};

} // namespace vistrel
