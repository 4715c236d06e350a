#pragma once

#include "LevelQuery.h"
#include "VistrelFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vistrel {

// The explorer's search: every item at any depth under a directory whose name contains
// the text (case and diacritics ignored), directories first, largest first; and the largest
// files under a directory.
class VistrelFileSearch {
public:
    static constexpr std::int64_t resultLimit = 1000;

    // All matches in `total`, beyond the ones returned.
    using Result = LevelQuery::Result;

    // Throws StoreError.
    static Result search(const FileUrl& root, const std::string& text, StoreContext& context);
    // The largest files (not directories) at any depth under a directory, largest first, with
    // their count. Throws StoreError.
    static Result largestFiles(const FileUrl& root, StoreContext& context);
};

} // namespace vistrel
