#include "VistrelFileSubtree.h"

#include "LevelQuery.h"

namespace vistrel {

std::vector<VistrelFile> VistrelFileSubtree::read(const FileUrl& root, StoreContext& context)
{
    return LevelQuery::run(root, context, {}, {}, std::nullopt).files;
}

} // namespace vistrel
