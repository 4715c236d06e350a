#include "VistrelFileSubtree.h"

#include "LevelQuery.h"

#include <cmath>
#include <iterator>
#include <memory>
#include <mutex>

namespace vistrel {

namespace {

// A row of the read's two attributes: its id and its size.
VistrelFileSubtree::Item item(std::span<const StoreValueView> values)
{
    VistrelFileSubtree::Item item;
    if (const auto* id = std::get_if<std::string_view>(&values[0]))
        item.id = *id;
    if (const auto* size = std::get_if<std::int64_t>(&values[1]))
        item.allocatedSize = *size;
    return item;
}

} // namespace

std::vector<VistrelFileSubtree::Item> VistrelFileSubtree::read(const FileUrl& root, StoreContext& context,
                                                               double minimumShare)
{
    LevelQuery::Request request;
    request.attributes = {"id", "totalAllocatedSize"};
    request.order = {{"id", true}};
    // The children first: their total sets the size below which deeper items are left out.
    std::vector<Item> items;
    std::int64_t total = 0;
    StorePredicate children = StorePredicate::equal("level", root.pathComponentCount() + 1);
    if (root.path() != "/")
        children = StorePredicate::conjunction(StorePredicate::beginsWith("id", root.path()), std::move(children));
    context.fetchEachView({std::move(children), request.order, std::nullopt, request.attributes},
                          [&](std::span<const StoreValueView> values) {
                              items.push_back(item(values));
                              total += std::max<std::int64_t>(0, items.back().allocatedSize);
                          });
    const auto smallest = static_cast<std::int64_t>(std::floor(static_cast<double>(total) * minimumShare));
    if (smallest > 0)
        request.condition
            = [smallest] { return std::optional(StorePredicate::greaterThan("totalAllocatedSize", smallest - 1)); };
    request.firstDepth = 2;
    // Each level into its own list, joined in level order at the end.
    std::mutex mutex;
    std::vector<std::unique_ptr<std::vector<Item>>> levels;
    const auto levelList = [&](std::size_t level) {
        std::lock_guard lock(mutex);
        if (levels.size() <= level)
            levels.resize(level + 1);
        if (!levels[level])
            levels[level] = std::make_unique<std::vector<Item>>();
        return levels[level].get();
    };
    std::vector<std::pair<std::size_t, std::vector<Item>*>> current(LevelQuery::workerCount(), {SIZE_MAX, nullptr});
    LevelQuery::forEach(root, context, request,
                        [&](std::size_t worker, std::size_t level, std::span<const StoreValueView> values) {
                            auto& [at, list] = current[worker];
                            if (at != level) {
                                at = level;
                                list = levelList(level);
                            }
                            list->push_back(item(values));
                        });
    for (const auto& level : levels) {
        if (level)
            std::move(level->begin(), level->end(), std::back_inserter(items));
    }
    return items;
}

void VistrelFileSubtree::forEachFile(const FileUrl& root, StoreContext& context, const FileReceiver& receive)
{
    LevelQuery::Request request;
    request.attributes = {"name", "totalAllocatedSize"};
    request.condition = [] { return std::optional(StorePredicate::lessThan("fileResourceType", std::int64_t{255})); };
    LevelQuery::forEach(root, context, request,
                        [&receive](std::size_t worker, std::size_t, std::span<const StoreValueView> values) {
                            const auto* name = std::get_if<std::string_view>(&values[0]);
                            const auto* size = std::get_if<std::int64_t>(&values[1]);
                            receive(worker, name ? *name : std::string_view(), size ? *size : 0);
                        });
}

std::size_t VistrelFileSubtree::workerCount()
{
    return LevelQuery::workerCount();
}

} // namespace vistrel
