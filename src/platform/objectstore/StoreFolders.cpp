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
    const std::uint64_t hash
        = std::hash<std::string_view>{}(path) ^ (static_cast<std::uint64_t>(depth) * 0x9e3779b97f4a7c15ULL);
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

} // namespace

std::int64_t StoreFolders::number(SqliteConnection& writer, std::int64_t depth, std::string_view path)
{
    const Place place{paths_.number(path), depth};
    if (const std::int64_t* known = find(place))
        return *known;
    // A folder kept by name hangs from its parent, which its own children meet again first,
    // so the chain of lookups rarely runs deep.
    std::string named;
    if (!sql_.keptWhole(path)) {
        const auto [parentPath, name] = StoreFolderSql::split(path);
        named = StoreFolderSql::namedPath(number(writer, depth - 1, parentPath), name);
    }
    const std::string_view stored = named.empty() ? path : std::string_view(named);
    // Only a complete store needs to know which folders it forgot: another looks every miss up.
    const std::uint32_t hash = complete_ ? shortHash(depth, path) : 0;
    std::int64_t number = 0;
    bool known = false;
    if (!complete_ || std::binary_search(forgottenHashes_.begin(), forgottenHashes_.end(), hash)) {
        if (!find_)
            find_ = writer.prepare(sql_.findFolder(), true);
        find_->bindInteger(1, depth);
        find_->bindBytes(2, stored);
        known = find_->step();
        if (known)
            number = find_->integer(0);
        find_->reset();
    }
    if (!known) {
        if (!named.empty() && !sql_.holdsNamedFolder()) {
            // Saved with the folder: a store opened later looks for such folders from the start.
            writer.execute(noteNamed_);
            sql_.noteNamedFolder();
            notedNamed_ = true;
        }
        if (!add_)
            add_ = writer.prepare(sql_.addFolder(), true);
        add_->bindInteger(1, depth);
        add_->bindBytes(2, stored);
        add_->step();
        add_->reset();
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
    notedNamed_ = false;
    if (paths_.size() <= remembered_)
        return;
    // Forgotten only between saves, so that a rollback never has to forget what is gone.
    std::sort(rememberedHashes_.begin(), rememberedHashes_.end());
    std::vector<std::uint32_t> forgotten;
    forgotten.reserve(forgottenHashes_.size() + rememberedHashes_.size());
    std::set_union(forgottenHashes_.begin(), forgottenHashes_.end(), rememberedHashes_.begin(), rememberedHashes_.end(),
                   std::back_inserter(forgotten));
    forgottenHashes_ = std::move(forgotten);
    rememberedHashes_ = {};
    paths_ = StorePathTable();
    numbers_ = {};
    depths_ = {};
    others_.clear();
}

void StoreFolders::rolledBack()
{
    // The mark went with the rollback: the next folder kept by name writes it again.
    if (notedNamed_)
        sql_.forgetNamedFolder();
    notedNamed_ = false;
    for (const Place& place : added_)
        forget(place);
    added_.clear();
}

} // namespace vistrel
