#pragma once

#include "filesystem/FileUrl.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vistrel {

class StoreContext;

// The files a snapshot holds that may be copies of one another: regular files of one size.
class DuplicateCandidates {
public:
    struct SizeGroup {
        std::int64_t size = 0;
        std::vector<std::string> paths; // in path order
    };

    // Regular files under `root` of at least `minimumSize` bytes (and never empty ones), by
    // size, for the sizes two or more of them have; largest first. Two passes over the rows,
    // so that only the paths of shared sizes are held. Throws StoreError.
    static std::vector<SizeGroup> read(const FileUrl& root, std::int64_t minimumSize, StoreContext& context);
};

} // namespace vistrel
