#include "DuplicateCandidates.h"

#include "LevelQuery.h"
#include "scanner/ResourceTypeCode.h"

#include <algorithm>
#include <unordered_map>

namespace vistrel {

namespace {

std::function<std::optional<StorePredicate>()> regularFilesFrom(std::int64_t minimumSize)
{
    return [minimumSize] {
        return std::optional(StorePredicate::conjunction(
            StorePredicate::equal("fileResourceType", std::int64_t{ResourceTypeCode::regular}),
            StorePredicate::greaterThan("totalSize", minimumSize - 1)));
    };
}

} // namespace

std::vector<DuplicateCandidates::SizeGroup> DuplicateCandidates::read(const FileUrl& root, std::int64_t minimumSize,
                                                                      StoreContext& context)
{
    LevelQuery::Request request;
    request.condition = regularFilesFrom(std::max<std::int64_t>(minimumSize, 1));
    // First the number of files of each size, each worker on its own.
    request.attributes = {"totalSize"};
    std::vector<std::unordered_map<std::int64_t, std::int64_t>> counts(LevelQuery::workerCount());
    LevelQuery::forEach(root, context, request,
                        [&](std::size_t worker, std::size_t, std::span<const StoreValueView> row) {
                            if (const auto* size = std::get_if<std::int64_t>(&row[0]))
                                ++counts[worker][*size];
                        });
    std::unordered_map<std::int64_t, std::int64_t> shared;
    for (const auto& part : counts)
        for (const auto& [size, count] : part)
            shared[size] += count;
    std::erase_if(shared, [](const auto& entry) { return entry.second < 2; });
    counts.clear();
    if (shared.empty())
        return {};
    // Then the paths of the shared sizes only.
    request.attributes = {"id", "totalSize"};
    std::vector<std::vector<std::pair<std::int64_t, std::string>>> found(LevelQuery::workerCount());
    LevelQuery::forEach(root, context, request,
                        [&](std::size_t worker, std::size_t, std::span<const StoreValueView> row) {
                            const auto* id = std::get_if<std::string_view>(&row[0]);
                            const auto* size = std::get_if<std::int64_t>(&row[1]);
                            if (id && size && shared.contains(*size))
                                found[worker].emplace_back(*size, std::string(*id));
                        });
    std::vector<std::pair<std::int64_t, std::string>> all;
    for (auto& part : found) {
        std::move(part.begin(), part.end(), std::back_inserter(all));
        part = {};
    }
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    std::vector<SizeGroup> groups;
    for (auto& [size, path] : all) {
        if (groups.empty() || groups.back().size != size)
            groups.push_back({size, {}});
        groups.back().paths.push_back(std::move(path));
    }
    // A size shared at the first pass may have lost a file to a concurrent edit.
    std::erase_if(groups, [](const SizeGroup& group) { return group.paths.size() < 2; });
    return groups;
}

} // namespace vistrel
