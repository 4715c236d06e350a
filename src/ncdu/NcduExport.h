#pragma once

#include "filesystem/FileUrl.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vistrel {

class StoreContext;

// Writes a snapshot, or the part below one of its directories, as ncdu's JSON export
// (format 1.2): names as their bytes with JSON's escapes, each item's own asize and dsize
// (a directory's are its totals less its contents'), folders that could not be read marked
// read_error, left-out ones excluded "pattern", other file systems' mount points "otherfs".
// Depth first, in one read of the rows folder by folder, one directory's rows held at a
// time on each level of the path.
class NcduExport {
public:
    class WriteError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    struct Result {
        std::int64_t items = 0;
    };

    // Throws StoreError (reads) or WriteError (the output).
    static Result run(StoreContext& context, const FileUrl& directory, int fd, const std::string& programVersion);
};

} // namespace vistrel
