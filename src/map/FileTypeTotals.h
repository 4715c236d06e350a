#pragma once

#include "FileTypeCategory.h"

#include "store/VistrelFile.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vistrel {

class StoreContext;

// How the files below a directory split by type: for the types list beside the map and
// `vistrel-cli types`.
class FileTypeTotals {
public:
    struct Row {
        FileTypeCategory::Category category = FileTypeCategory::other;
        std::int64_t size = 0; // allocated, as the Size column
        std::int64_t fileCount = 0;
        double share = 0; // of all the files' size, 0 to 1
    };

    void add(std::string_view name, std::int64_t size);
    void add(const FileTypeTotals& other);
    // The categories that hold files, largest first (ties by category order).
    std::vector<Row> rows() const;

    // Every file below `root`, read in parallel. Throws StoreError, also when interrupted.
    static FileTypeTotals read(const FileUrl& root, StoreContext& context);

private:
    std::array<std::int64_t, FileTypeCategory::count_> sizes_{};
    std::array<std::int64_t, FileTypeCategory::count_> counts_{};
};

} // namespace vistrel
