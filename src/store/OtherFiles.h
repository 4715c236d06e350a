#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vistrel {

class VistrelFile;

// The aggregate row that stands for what a directory holds beyond its loaded rows (the
// children query returns at most 1000): shared by the explorer and vistrel-cli ls.
struct OtherFiles {
    static constexpr const char* name = "Other files";
    static constexpr const char* urlScheme = "file-others";

    std::int64_t fileCount = 0;
    std::int64_t totalAllocatedSize = 0;
    // The apparent size they add up to; known only when the directory's own is.
    std::optional<std::int64_t> totalSize;

    // What the rule reads of a loaded row.
    struct Row {
        bool isDirectory = false;
        std::optional<std::int64_t> fileCount;
        std::optional<std::int64_t> totalAllocatedSize;
    };

    // Nothing unless the directory's file count is present and some of its files are not
    // accounted for: by a file row each, or by a directory row's whole subtree. Absent
    // values count as 0; all arithmetic is signed 64-bit.
    static std::optional<OtherFiles> aggregate(std::optional<std::int64_t> directoryFileCount,
                                               std::optional<std::int64_t> directoryAllocatedSize,
                                               const std::vector<Row>& rows);
    static std::optional<OtherFiles> aggregate(const VistrelFile& directory, const std::vector<VistrelFile>& rows);

    // "file-others://" followed by the directory's path.
    static std::string url(const std::string& directoryPath);
};

} // namespace vistrel
