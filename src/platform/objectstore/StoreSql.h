#pragma once

#include "StoreContext.h"
#include "StoreSchema.h"
#include "StoreSelectColumns.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vistrel {

class SqliteStatement;
class StorePendingRows;

// The SQL of one schema in the flat layout: one table clustered on the schema's index.
// Attribute names are checked against the schema and values only ever become bound
// parameters, never SQL text.
class StoreSql {
public:
    explicit StoreSql(const StoreSchema& schema)
        : schema_(schema)
    {
    }
    virtual ~StoreSql() = default;

    // The statements that make the tables, in order.
    virtual std::vector<std::string> createTables() const;
    // An INSERT of `rows` rows, their values one after the other.
    virtual std::string insert(std::size_t rows = 1) const;
    // Saving pending rows: the order they are written in (the key's, so that a batch lands on
    // neighbouring pages and leaves them fuller), the parameters insert() takes for a row,
    // and a row's values bound from parameter `first` on. `folderNumber` gives the number of a
    // folder (its depth and path), in a layout that numbers them.
    using FolderNumber = std::function<std::int64_t(std::int64_t depth, std::string_view folder)>;
    virtual std::vector<std::size_t> insertOrder(const StorePendingRows& rows) const;
    virtual int insertWidth() const { return static_cast<int>(schema_.attributes.size()); }
    virtual void bindInsert(SqliteStatement& statement, int first, std::span<const StoreValueView> values,
                            const FolderNumber& folderNumber) const;
    virtual std::string deleteAll() const;
    // DELETE of the rows that meet `predicate`.
    virtual std::string remove(const StorePredicate& predicate, std::vector<StoreValue>& bindings) const;
    // UPDATE adding each delta to its integer attribute (absent values stay absent) in the
    // rows that meet `predicate`.
    virtual std::string adjust(const StorePredicate& predicate,
                               const std::vector<std::pair<std::string, std::int64_t>>& deltas,
                               std::vector<StoreValue>& bindings) const;

    // SELECT of the descriptor's attributes (every one when it names none), or COUNT(*);
    // `bindings` receives the parameter values in order.
    virtual std::string select(const StoreFetchDescriptor& descriptor, std::vector<StoreValue>& bindings) const;
    // How the attributes of select() and selectByFolder() (every one when none are named)
    // come out of their columns.
    virtual StoreSelectColumns selectColumns(const std::vector<std::string>& attributes) const;
    // Every row meeting `predicate`, in storage order: a pass over the whole store, or over
    // the storage positions from `part->first` up to `part->second` (see storagePositions()).
    virtual std::string selectEveryRow(const std::optional<StorePredicate>& predicate,
                                       std::vector<StoreValue>& bindings,
                                       [[maybe_unused]] std::optional<std::pair<std::int64_t, std::int64_t>> part
                                       = std::nullopt) const
    {
        return select({predicate, {}, std::nullopt}, bindings);
    }
    // The value of `attribute` in the current row of a selectEveryRow() statement, written over
    // `into` so that text reuses the room it had.
    virtual void everyRowValue(const SqliteStatement& statement, int attribute, StoreValue& into) const;
    // A query of the number of storage positions, for splitting a pass into parts; empty when
    // the layout has none.
    virtual std::string storagePositions() const { return {}; }
    virtual std::string count(const std::optional<StorePredicate>& predicate, std::vector<StoreValue>& bindings) const;
    // Every row below `folder` (a path ending in '/'), folder by folder: the folders in path
    // order, each one's rows in path order, as a depth-first walk of the tree meets them.
    virtual std::string selectByFolder(const std::string& folder, const std::vector<std::string>& attributes,
                                       std::vector<StoreValue>& bindings) const;

    // The smallest byte string greater than every string that begins with `prefix`;
    // empty when there is none (the prefix is all 0xff bytes).
    static std::string prefixSuccessor(std::string prefix);

protected:
    std::string column(const std::string& attribute) const;
    // The condition on a bytewise prefix of `name`, an SQL expression that uses an index.
    static std::string prefixCondition(const std::string& name, const std::string& prefix,
                                       std::vector<StoreValue>& bindings);

    const StoreSchema& schema_;

private:
    std::string condition(const StorePredicate& predicate, std::vector<StoreValue>& bindings) const;
};

} // namespace vistrel
