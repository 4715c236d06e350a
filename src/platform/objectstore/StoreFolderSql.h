#pragma once

#include "StoreSql.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace vistrel {

// The SQL of a schema with a hierarchy, in the folder layout. Each folder (a depth and a
// path ending in '/') is a row of its own, numbered; an entity row holds its folder's number
// and the rest of its path, its leaf. Every query reads the same attributes as in the flat
// layout: the path is the folder's path and the leaf joined, the depth is the folder's.
// A folder whose path is longer than the store's limit is kept as its parent's number and
// its name (see namedPath()), so that a tree's folders cost their names rather than their
// depth squared (stores written before the limit keep every path whole: SIZE_MAX).
class StoreFolderSql : public StoreSql {
public:
    explicit StoreFolderSql(const StoreSchema& schema, std::size_t pathLimit = SIZE_MAX);

    std::vector<std::string> createTables() const override;
    // Its values: folder number, leaf, then the attributes of storedAttributes() in order.
    std::string insert(std::size_t rows = 1) const override;
    // Runs of one folder's rows (they arrive together) ordered by their leaves: the key's order
    // at a fraction of a full sort. A row binds its folder's number and its leaf instead of its
    // path and depth, and no name where the leaf implies it.
    std::vector<std::size_t> insertOrder(const StorePendingRows& rows) const override;
    int insertWidth() const override { return static_cast<int>(stored_.size()) + 2; }
    void bindInsert(SqliteStatement& statement, int first, std::span<const StoreValueView> values,
                    const FolderNumber& folderNumber) const override;
    std::string deleteAll() const override;
    std::string remove(const StorePredicate& predicate, std::vector<StoreValue>& bindings) const override;
    std::string adjust(const StorePredicate& predicate, const std::vector<std::pair<std::string, std::int64_t>>& deltas,
                       std::vector<StoreValue>& bindings) const override;
    std::string select(const StoreFetchDescriptor& descriptor, std::vector<StoreValue>& bindings) const override;
    StoreSelectColumns selectColumns(const std::vector<std::string>& attributes) const override;
    // The rows in their own order, each joined to its folder only once its own conditions hold.
    // Its storage positions are folder numbers.
    std::string selectEveryRow(const std::optional<StorePredicate>& predicate, std::vector<StoreValue>& bindings,
                               std::optional<std::pair<std::int64_t, std::int64_t>> part) const override;
    std::string storagePositions() const override;
    // Its rows hold the folder's path, the leaf, the stored name, the depth and then the other
    // attributes as stored: a path or a name is put together only when asked for.
    void everyRowValue(const SqliteStatement& statement, int attribute, StoreValue& into) const override;
    std::string count(const std::optional<StorePredicate>& predicate, std::vector<StoreValue>& bindings) const override;
    // The folders under it sorted first, then each one's rows through the key: no sort of the rows.
    std::string selectByFolder(const std::string& folder, const std::vector<std::string>& attributes,
                               std::vector<StoreValue>& bindings) const override;

    // The number of the folder (depth ?1, path ?2), and a new folder row.
    std::string findFolder() const;
    std::string addFolder() const;
    // What a folder kept by name stores as its path: a NUL byte (which no real path holds), its
    // parent's number (8 bytes, big-endian) and its name, so that the place index keeps it unique.
    static std::string namedPath(std::int64_t parent, std::string_view name);
    // The parent's number and the name, when `stored` is such a path.
    static std::optional<std::pair<std::int64_t, std::string_view>> parseNamedPath(std::string_view stored);
    static std::string folderTable(const StoreSchema& schema);

    bool keptWhole(std::string_view folder) const { return folder.size() <= pathLimit_; }
    std::size_t pathLimit() const { return pathLimit_; }
    // Once the store holds a folder kept by name, queries look for such folders too.
    void noteNamedFolder() const { holdsNamed_ = true; }
    // When the save that brought the first one is rolled back.
    void forgetNamedFolder() const { holdsNamed_ = false; }
    bool holdsNamedFolder() const { return holdsNamed_; }

    // The schema indices of the attributes an entity row stores besides folder and leaf.
    const std::vector<int>& storedAttributes() const { return stored_; }
    int pathIndex() const { return pathIndex_; }
    int depthIndex() const { return depthIndex_; }
    int leafNameIndex() const { return leafNameIndex_; }

    // A path as folder and leaf: "/a/b/" is "/a/" and "b/", "/a/b" is "/a/" and "b", "/" is
    // "" and "/".
    static std::pair<std::string_view, std::string_view> split(std::string_view path);
    // The name a leaf implies: the leaf without its trailing '/', or "/" for the root.
    static std::string_view leafName(std::string_view leaf);

private:
    std::string from() const;
    // The folder's whole path, put together for folders kept by name.
    std::string folderPath() const;
    std::string fullPath() const;
    std::string folderIs(std::string_view folder, std::vector<StoreValue>& bindings) const;
    std::string namedFolderUnder(const std::string& prefix, std::vector<StoreValue>& bindings) const;
    // The folders whose path begins with `prefix`, whichever way they are kept.
    std::string foldersUnder(const std::string& prefix, std::vector<StoreValue>& bindings) const;
    std::string expression(const std::string& attribute) const;
    // The columns of the attributes (every one when none are named), as selectColumns() reads them.
    std::string selectList(const std::vector<std::string>& attributes, StoreSelectColumns& columns) const;
    std::string condition(const StorePredicate& predicate, std::vector<StoreValue>& bindings) const;
    // Within a conjunction that fixes the depth (when `depth` is set).
    std::string condition(const StorePredicate& predicate, std::vector<StoreValue>& bindings,
                          std::optional<std::int64_t> depth) const;
    // The rows whose path is greater (or less) than `value`.
    std::string orderCondition(bool greater, const StoreValue& value, std::vector<StoreValue>& bindings) const;
    static constexpr std::size_t maximumFolderTerms = 64;
    std::string pathCondition(const StorePredicate& predicate, std::vector<StoreValue>& bindings,
                              std::optional<std::int64_t> depth) const;
    // The rows' keys that meet `predicate`, for DELETE and UPDATE.
    std::string keysWhere(const StorePredicate& predicate, std::vector<StoreValue>& bindings) const;

    std::size_t pathLimit_;
    mutable std::atomic<bool> holdsNamed_{false};
    std::string folderTable_;
    std::string itemTable_;
    std::string pathAttribute_;
    std::string depthAttribute_;
    std::string leafNameAttribute_;
    int pathIndex_ = -1;
    int depthIndex_ = -1;
    int leafNameIndex_ = -1;
    std::int64_t rootDepth_ = 0;
    std::vector<int> stored_;
    std::vector<int> everyRowColumns_; // by attribute: its column in selectEveryRow(), past the first four
};

} // namespace vistrel
