#pragma once

#include "VistrelFile.h"

#include <vector>

namespace vistrel {

class StoreContext;

// Everything below a directory at any depth, for the map: one range read per level, not a
// query per folder. Interrupting the context (navigating elsewhere) stops the read.
class VistrelFileSubtree {
public:
    // The items level by level, each level in path order. Throws StoreError.
    static std::vector<VistrelFile> read(const FileUrl& root, StoreContext& context);
};

} // namespace vistrel
