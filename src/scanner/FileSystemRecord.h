#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vistrel {

// One scanned item as the walker produces it.
struct FileSystemRecord {
    std::string path; // directories end with '/'
    std::int64_t level = 0;
    std::optional<std::uint8_t> fileResourceType;
    std::optional<std::int64_t> fileCount;
    std::optional<std::int64_t> totalSize;
    std::optional<std::int64_t> totalAllocatedSize;
    std::optional<bool> isPurgeable;

    bool operator==(const FileSystemRecord&) const = default;
};

} // namespace vistrel
