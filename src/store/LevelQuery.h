#pragma once

#include "VistrelFile.h"

#include "objectstore/StoreContext.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace vistrel {

// Reads what lies below a directory one level at a time: on the (level, id) key each level's
// query is a range seek to the directory's prefix, where one query over every deeper level
// would read all of their rows. The levels are shared out between the calling thread and
// helpers, each with its own connection; interrupting the caller's context stops them all.
class LevelQuery {
public:
    struct Result {
        std::int64_t total = 0; // every matching row, beyond the ones returned
        std::vector<VistrelFile> files; // the levels in key order, each in `order`
    };

    // Each level's rows under `root` that meet `condition` (all of them when it gives
    // nothing), in `order`, the first `limit` of each level when there is one. Throws
    // StoreError, also when the store is damaged or the context interrupted.
    static Result run(const FileUrl& root, StoreContext& context,
                      const std::function<std::optional<StorePredicate>()>& condition,
                      const std::vector<StoreSortKey>& order, std::optional<std::int64_t> limit);
};

} // namespace vistrel
