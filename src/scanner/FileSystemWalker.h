#pragma once

#include "FileID.h"
#include "FileSize.h"
#include "FileSystemRecord.h"

#include <optional>
#include <string>

namespace vistrel {

struct FileStatus;
class FileUrl;

// Scans one directory tree into records: one per item below the root, directories carrying
// their subtree's totals (hard links once, one file system).
class FileSystemWalker {
public:
    class SumSize; // SumSize.h

    struct MadeRecord {
        FileSystemRecord record;
        FileID id;
        FileSize size;
    };

    // The record of one item at `path` from its attributes; when none are given they are read
    // with one statx of `name` relative to parentDirectoryFd. Nothing when the item cannot be read.
    static std::optional<MadeRecord> makeRecord(std::string path, int parentDirectoryFd, const char* name,
                                                const FileStatus* attributes);
    // The same for a URL alone (opens its parent directory, so any path length works).
    static std::optional<MadeRecord> makeRecord(const FileUrl& url, const FileStatus* attributes);
};

} // namespace vistrel
