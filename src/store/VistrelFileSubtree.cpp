#include "VistrelFileSubtree.h"

#include "LevelQuery.h"

#include <cmath>

namespace vistrel {

namespace {

VistrelFileSubtree::Item item(StoredObject&& object)
{
    VistrelFileSubtree::Item item;
    if (auto* id = std::get_if<std::string>(&object.values[0]))
        item.id = std::move(*id);
    if (const auto* size = std::get_if<std::int64_t>(&object.values[1]))
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
    for (StoredObject& object : context.fetch({std::move(children), request.order, std::nullopt, request.attributes})) {
        items.push_back(item(std::move(object)));
        total += std::max<std::int64_t>(0, items.back().allocatedSize);
    }
    const auto smallest = static_cast<std::int64_t>(std::floor(static_cast<double>(total) * minimumShare));
    if (smallest > 0)
        request.condition = [smallest] { return std::optional(StorePredicate::greaterThan("totalAllocatedSize", smallest - 1)); };
    request.firstDepth = 2;
    for (StoredObject& object : LevelQuery::objects(root, context, request))
        items.push_back(item(std::move(object)));
    return items;
}

void VistrelFileSubtree::forEachFile(const FileUrl& root, StoreContext& context, const FileReceiver& receive)
{
    LevelQuery::Request request;
    request.attributes = {"name", "totalAllocatedSize"};
    request.condition = [] { return std::optional(StorePredicate::lessThan("fileResourceType", std::int64_t{255})); };
    LevelQuery::forEach(root, context, request, [&receive](std::size_t worker, StoredObject&& object) {
        const auto* name = std::get_if<std::string>(&object.values[0]);
        const auto* size = std::get_if<std::int64_t>(&object.values[1]);
        receive(worker, name ? std::string_view(*name) : std::string_view(), size ? *size : 0);
    });
}

std::size_t VistrelFileSubtree::workerCount()
{
    return LevelQuery::workerCount();
}

} // namespace vistrel
