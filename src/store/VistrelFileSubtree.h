#pragma once

#include "VistrelFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vistrel {

class StoreContext;

// Everything below a directory at any depth, for the map: one range read per level, not a
// query per folder, of only what a map needs. Interrupting the context (navigating
// elsewhere) stops the read.
class VistrelFileSubtree {
public:
    struct Item {
        std::string id;
        std::int64_t allocatedSize = 0; // the Size column's figure
    };

    // The items level by level, each level in path order. Below the root's children, items
    // smaller than `minimumShare` of the children's total are left out: a map has no room for
    // them, and most rows of a large tree are such. Throws StoreError.
    static std::vector<Item> read(const FileUrl& root, StoreContext& context, double minimumShare = 0);

    // Every file (not directory) below the root, its name and size handed over as it is
    // read, in no order, from up to workerCount() threads at once (`worker` tells them
    // apart, so that each can add up on its own). Nothing is held. Throws StoreError.
    using FileReceiver = std::function<void(std::size_t worker, std::string_view name, std::int64_t allocatedSize)>;
    static void forEachFile(const FileUrl& root, StoreContext& context, const FileReceiver& receive);
    static std::size_t workerCount();
};

} // namespace vistrel
