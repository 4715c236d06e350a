#pragma once

#include <cstdint>

namespace vistrel {

// The sizes of one identity.
struct FileSize {
    std::int64_t totalAllocatedSize = 0;
    std::int64_t totalSize = 0;

    bool operator==(const FileSize&) const = default;
};

} // namespace vistrel
