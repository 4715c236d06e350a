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

std::int64_t StoreFolders::number(SqliteConnection& writer, std::int64_t depth, std::string_view path)
{
    // The depth is a fixed-length suffix: equal keys mean equal paths and depths.
    key_.assign(path);
    key_.push_back('\0');
    key_.append(reinterpret_cast<const char*>(&depth), sizeof depth);
    if (const auto found = numbers_.find(key_); found != numbers_.end())
        return found->second;
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
        added_.push_back(key_);
    }
    numbers_.emplace(key_, number);
    return number;
}

void StoreFolders::rolledBack()
{
    for (const std::string& key : added_)
        numbers_.erase(key);
    added_.clear();
}

} // namespace vistrel
