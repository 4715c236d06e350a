#include "StoreFolders.h"

#include "SqliteConnection.h"
#include "SqliteStatement.h"
#include "StoreFolderSql.h"

#include <sqlite3.h>

#include <cstring>

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

std::int64_t StoreFolders::number(SqliteConnection& writer, std::int64_t depth, std::string_view path)
{
    const Place place{paths_.number(path), depth};
    if (const std::int64_t* known = find(place))
        return *known;
    std::int64_t number = 0;
    bool known = false;
    if (!complete_) {
        if (!find_)
            find_ = writer.prepare(sql_.findFolder(), true);
        find_->bindInteger(1, depth);
        find_->bindBytes(2, path);
        known = find_->step();
        if (known)
            number = find_->integer(0);
        find_->reset();
    }
    if (!known) {
        if (!add_)
            add_ = writer.prepare(sql_.addFolder(), true);
        add_->bindInteger(1, depth);
        add_->bindBytes(2, path);
        add_->step();
        add_->reset();
        number = sqlite3_last_insert_rowid(writer.handle());
        added_.push_back(place);
    }
    remember(place, number);
    return number;
}

void StoreFolders::rolledBack()
{
    for (const Place& place : added_)
        forget(place);
    added_.clear();
}

} // namespace vistrel
