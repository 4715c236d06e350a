#include "ChangeFolding.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>

namespace vistrel {

namespace {

// "/a/b/" and "/a/b" both have "/a/"; "/" has none.
std::string parentOf(const std::string& id)
{
    if (id.size() <= 1)
        return {};
    const std::size_t end = id.size() > 1 && id.back() == '/' ? id.size() - 1 : id.size();
    const std::size_t slash = id.rfind('/', end - 1);
    return slash == std::string::npos ? std::string() : id.substr(0, slash + 1);
}

std::int64_t magnitude(std::int64_t value)
{
    return value < 0 ? -value : value;
}

bool explains(std::int64_t change, std::int64_t explained)
{
    const std::int64_t rest = magnitude(change - explained);
    return rest
        <= std::max<std::int64_t>(4096, static_cast<std::int64_t>(magnitude(change) * ChangeFolding::explainedShare));
}

} // namespace

std::vector<ChangeFolding::Row> ChangeFolding::fold(const std::vector<SnapshotDiff::Change>& changes, std::size_t limit)
{
    // Removed items of one folder, counted first: enough of them fold into the folder.
    std::unordered_map<std::string, std::size_t> removedIn;
    for (const SnapshotDiff::Change& change : changes)
        if (!change.after && change.before)
            ++removedIn[parentOf(change.id)];
    std::unordered_map<std::string, const SnapshotDiff::Change*> byId;
    for (const SnapshotDiff::Change& change : changes)
        byId.emplace(change.id, &change);

    // Deepest first: each item is judged once everything below it was.
    std::vector<const SnapshotDiff::Change*> order;
    order.reserve(changes.size());
    for (const SnapshotDiff::Change& change : changes)
        order.push_back(&change);
    std::stable_sort(order.begin(), order.end(), [](const auto* a, const auto* b) { return a->level > b->level; });

    std::unordered_map<std::string, std::int64_t> explained; // by folder: what its listed items account for
    std::unordered_map<std::string, std::int64_t> folded; // by folder: removed items folded into it
    std::vector<Row> rows;
    const auto credit = [&](const std::string& id, std::int64_t amount) {
        for (std::string folder = parentOf(id); !folder.empty(); folder = parentOf(folder))
            explained[folder] += amount;
    };
    for (const SnapshotDiff::Change* change : order) {
        const std::string parent = parentOf(change->id);
        const bool foldsAway = !change->after && change->before && removedIn[parent] >= removalsFolded;
        if (foldsAway) {
            ++folded[parent];
            credit(change->id, change->change());
            continue;
        }
        const auto inside = explained.find(change->id);
        const std::int64_t accounted = inside == explained.end() ? 0 : inside->second;
        const bool hasFolded = folded.count(change->id) > 0;
        if (change->isDirectory() && !hasFolded && accounted != 0 && explains(change->change(), accounted))
            continue;
        Row row{*change, hasFolded ? folded[change->id] : 0};
        rows.push_back(std::move(row));
        credit(change->id, change->change() - accounted);
    }
    // A folder whose removed items folded but which was not itself among the changes.
    for (const auto& [folder, count] : folded) {
        if (byId.count(folder))
            continue;
        SnapshotDiff::Change change;
        change.id = folder;
        std::string name = folder.substr(0, folder.size() - 1);
        change.name = name.substr(name.rfind('/') + 1);
        change.level = static_cast<std::int64_t>(std::count(folder.begin(), folder.end(), '/')) - 1;
        change.before = 0;
        change.after = 0;
        for (const SnapshotDiff::Change& removed : changes)
            if (!removed.after && removed.before && parentOf(removed.id) == folder)
                *change.before += *removed.before;
        rows.push_back({std::move(change), count});
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        if (a.change.magnitude() != b.change.magnitude())
            return a.change.magnitude() > b.change.magnitude();
        return a.change.id < b.change.id;
    });
    if (rows.size() > limit)
        rows.resize(limit);
    return rows;
}

} // namespace vistrel
