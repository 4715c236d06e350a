#pragma once

#include "StorePathTable.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
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
    // seen does not exist yet and needs no lookup. After `remembered` folders, those numbers
    // are forgotten at the next commit; only the forgotten ones are looked up when met again.
    // `noteNamed`: the statement that records in the store that it holds a folder kept by name.
    StoreFolders(const StoreFolderSql& sql, bool complete, std::size_t remembered, std::string noteNamed)
        : sql_(sql)
        , complete_(complete)
        , remembered_(remembered)
        , noteNamed_(std::move(noteNamed))
    {
    }
    ~StoreFolders();

    // The number of the folder (depth, path), added when the store has none yet; a folder kept
    // by name hangs from its parent (depth - 1), added first where missing.
    std::int64_t number(SqliteConnection& writer, std::int64_t depth, std::string_view path);
    // After the save's commit, or its rollback: a rolled-back folder does not exist.
    void committed();
    void rolledBack();
    // Before the connection the statements were prepared on closes.
    void release();

private:
    const StoreFolderSql& sql_;
    bool complete_;
    std::size_t remembered_;
    using Place = std::pair<std::uint32_t, std::int64_t>; // path's number in paths_, depth
    std::int64_t* find(const Place& place);
    void remember(const Place& place, std::int64_t number);
    void forget(const Place& place);

    StorePathTable paths_;
    // By path number: the folder number of its first depth, and that depth (-1: none yet).
    // Folders of one path at other depths, which scans never make, go to others_.
    std::vector<std::int64_t> numbers_;
    std::vector<std::int64_t> depths_;
    std::map<Place, std::int64_t> others_;
    std::vector<Place> added_; // in the open transaction
    // Short hashes of the folders remembered since the last forgetting, and, sorted, of all
    // folders forgotten since: a folder whose hash is in neither is new to a complete store.
    std::vector<std::uint32_t> rememberedHashes_;
    std::vector<std::uint32_t> forgottenHashes_;
    std::unique_ptr<SqliteStatement> find_;
    std::unique_ptr<SqliteStatement> add_;
    std::string noteNamed_;
    bool notedNamed_ = false; // in the open transaction
};

} // namespace vistrel
