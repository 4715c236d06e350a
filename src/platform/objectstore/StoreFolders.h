#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vistrel {

class SqliteConnection;
class SqliteStatement;
class StoreFolderSql;

// The numbers of a folder-layout store's folders, remembered across the saves of one
// container: a scan writes each folder's path once, and rows name their folder by number.
// Used under the container's write mutex, inside the save's transaction.
class StoreFolders {
public:
    // `complete`: this container made the store and is its only writer, so a folder it has not
    // seen does not exist yet and needs no lookup.
    StoreFolders(const StoreFolderSql& sql, bool complete) : sql_(sql), complete_(complete) {}
    ~StoreFolders();

    // The number of the folder (depth, path), added when the store has none yet.
    std::int64_t number(SqliteConnection& writer, std::int64_t depth, std::string_view path);
    // After the save's commit, or its rollback: a rolled-back folder does not exist.
    void committed() { added_.clear(); }
    void rolledBack();
    // Before the connection the statements were prepared on closes.
    void release();

private:
    const StoreFolderSql& sql_;
    bool complete_;
    std::unordered_map<std::string, std::int64_t> numbers_; // by key(depth, path)
    std::vector<std::string> added_; // keys added in the open transaction
    std::unique_ptr<SqliteStatement> find_;
    std::unique_ptr<SqliteStatement> add_;
    std::string key_;
};

} // namespace vistrel
