#pragma once

#include "VistrelFile.h"

#include "objectstore/StoreContext.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace vistrel {

// Reads what lies below a directory one level at a time: on the (level, id) key each level's
// query is a range seek to the directory's prefix, where one query over every deeper level
// would read all of their rows. The levels are shared out between the calling thread and
// helpers, each with its own connection; interrupting the caller's context stops them all.
class LevelQuery {
public:
    struct Request {
        // Rows must also meet it (built per level, as predicates are not shared between threads).
        std::function<std::optional<StorePredicate>()> condition;
        std::vector<StoreSortKey> order;
        std::optional<std::int64_t> limit; // of each level, or of all of them in one pass
        std::vector<std::string> attributes; // every one when empty
        std::int64_t firstDepth = 1; // 1 for the root's children
    };

    struct Result {
        std::int64_t total = 0; // every matching row, beyond the ones returned
        std::vector<VistrelFile> files; // see run()
    };

    // Rows under `root` that meet `condition` (all of them when it gives nothing): with a
    // limit, at least the first `limit` of them all in `order` and then key order, among
    // others a caller's stable sort in `order` puts after them (each level's first `limit`,
    // in key order of the levels, each level in `order`). Throws StoreError, also when the
    // store is damaged or the context interrupted.
    static Result run(const FileUrl& root, StoreContext& context,
                      const std::function<std::optional<StorePredicate>()>& condition,
                      const std::vector<StoreSortKey>& order, std::optional<std::int64_t> limit);

    // Hands every row's values over as they are read (views valid only during the call),
    // from up to workerCount() threads at once; `worker` tells them apart (0 up to
    // workerCount()), so that each can add up on its own. One level's rows come from one
    // thread, in the request's order; `level` counts from 0 at the request's first depth.
    // Nothing is held; the request's limit is ignored.
    using Receiver = std::function<void(std::size_t worker, std::size_t level, std::span<const StoreValueView> values)>;
    static void forEach(const FileUrl& root, StoreContext& context, const Request& request, const Receiver& receive);
    static std::size_t workerCount();
};

} // namespace vistrel
