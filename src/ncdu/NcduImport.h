#pragma once

#include "NcduJsonReader.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vistrel {

class StoreContainer;

// Builds a snapshot from an ncdu export with the scanner's rules: each directory's totals
// are its own size and its contents', a file with more than one link counted once per
// subtree by its device and inode, folders that could not be read kept by name, excluded
// and other file systems' folders as rows without figures. Refuses what a scan could never
// have produced (empty names, names with "/", a name twice in one folder).
class NcduImport {
public:
    struct Result {
        std::string root; // the export's top directory, ending with "/"
        std::int64_t records = 0;
        std::int64_t fileCount = 0;
        std::int64_t totalSize = 0;
        std::int64_t totalAllocatedSize = 0;
        std::int64_t unreadableDirectories = 0;
        std::optional<std::int64_t> timestamp; // when the export was made
    };

    // Reads the export on `fd` into `container` (an empty snapshot), marked unfinished until
    // the whole file was read. Throws NcduJsonReader::Error, and StoreError when the store
    // cannot be written. `progress` hears the bytes read so far.
    static Result run(int fd, StoreContainer& container, const std::function<void(std::uint64_t)>& progress = {});

    // Whether a file starts like an ncdu export ("[1," after blanks), so that the window can
    // take one for a snapshot.
    static bool looksLikeExport(const std::string& path);
};

} // namespace vistrel
