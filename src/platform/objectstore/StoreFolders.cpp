#include "StoreFolders.h"

#include "SqliteConnection.h"
#include "SqliteStatement.h"
#include "StoreFolderSql.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>

namespace vistrel {

StoreFolders::~StoreFolders() = default;

void StoreFolders::release()
{
    find_.reset();
    add_.reset();
    findNamed_.reset();
    addNamed_.reset();
}

std::int64_t* StoreFolders::find(const Place& place)
{
    const auto [path, depth] = place;
    if (path < numbers_.size() && numbers_[path] >= 0 && depths_[path] == depth)
        return &numbers_[path];
    const auto other = others_.find(place);
    return other == others_.end() ? nullptr : &other->second;
}

void StoreFolders::remember(const Place& place, std::int64_t number)
{
    const auto [path, depth] = place;
    if (path >= numbers_.size()) {
        numbers_.resize(path + 1, -1);
        depths_.resize(path + 1, -1);
    }
    if (numbers_[path] < 0) {
        numbers_[path] = number;
        depths_[path] = depth;
    } else {
        others_[place] = number;
    }
}

void StoreFolders::forget(const Place& place)
{
    const auto [path, depth] = place;
    if (path < numbers_.size() && numbers_[path] >= 0 && depths_[path] == depth)
        numbers_[path] = -1;
    else
        others_.erase(place);
}

namespace {

std::uint32_t shortHash(std::int64_t depth, std::string_view path)
{
    const std::uint64_t hash = std::hash<std::string_view>{}(path) ^ (static_cast<std::uint64_t>(depth) * 0x9e3779b97f4a7c15ULL);
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

} // namespace

std::int64_t StoreFolders::number(SqliteConnection& writer, std::int64_t depth, std::string_view path)
{
    const Place place{paths_.number(path), depth};
    if (const std::int64_t* known = find(place))
        return *known;
    const bool whole = sql_.keptWhole(path);
    const auto [parentPath, name] = StoreFolderSql::split(path);
    // Parents first: each is met again by its own children, so the chain rarely runs deep.
    const std::int64_t parent = whole ? 0 : number(writer, depth - 1, parentPath);
    // Only a complete store needs to know which folders it forgot: another looks every miss up.
    const std::uint32_t hash = complete_ ? shortHash(depth, path) : 0;
    std::int64_t number = 0;
    bool known = false;
    if (!complete_ || std::binary_search(forgottenHashes_.begin(), forgottenHashes_.end(), hash)) {
        auto& find = whole ? find_ : findNamed_;
        if (!find)
            find = writer.prepare(whole ? sql_.findFolder() : sql_.findNamedFolder(), true);
        if (whole) {
            find->bindInteger(1, depth);
            find->bindBytes(2, path);
        } else {
            find->bindInteger(1, parent);
            find->bindBytes(2, name);
        }
        known = find->step();
        if (known)
            number = find->integer(0);
        find->reset();
    }
    if (!known) {
        auto& add = whole ? add_ : addNamed_;
        if (!add)
            add = writer.prepare(whole ? sql_.addFolder() : sql_.addNamedFolder(), true);
        add->bindInteger(1, depth);
        if (whole) {
            add->bindBytes(2, path);
        } else {
            add->bindInteger(2, parent);
            add->bindBytes(3, name);
            sql_.noteNamedFolder();
        }
        add->step();
        add->reset();
        number = sqlite3_last_insert_rowid(writer.handle());
        added_.push_back(place);
    }
    remember(place, number);
    if (complete_)
        rememberedHashes_.push_back(hash);
    return number;
}

void StoreFolders::committed()
{
    added_.clear();
    if (paths_.size() <= remembered_)
        return;
    // Forgotten only between saves, so that a rollback never has to forget what is gone.
    std::sort(rememberedHashes_.begin(), rememberedHashes_.end());
    std::vector<std::uint32_t> forgotten;
    forgotten.reserve(forgottenHashes_.size() + rememberedHashes_.size());
    std::set_union(forgottenHashes_.begin(), forgottenHashes_.end(), rememberedHashes_.begin(),
                   rememberedHashes_.end(), std::back_inserter(forgotten));
    forgottenHashes_ = std::move(forgotten);
    rememberedHashes_ = {};
    paths_ = StorePathTable();
    numbers_ = {};
    depths_ = {};
    others_.clear();
}

void StoreFolders::rolledBack()
{
    for (const Place& place : added_)
        forget(place);
    added_.clear();
}

} // namespace vistrel
