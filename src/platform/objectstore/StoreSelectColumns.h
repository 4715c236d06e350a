#pragma once

#include "StorePendingRows.h"
#include "StoreValue.h"

#include <string>
#include <vector>

namespace vistrel {

class SqliteStatement;

// How a select's attributes come out of its columns. Most are one column each; the folder
// layout hands a path over as its folder and its leaf, and a name its leaf implies as the
// stored name (absent then) and the leaf, so that SQLite neither joins nor copies bytes for
// every row: they are put together here, only when read.
class StoreSelectColumns {
public:
    enum class Kind {
        plain, // the column as it is
        joined, // this column's bytes, then the next one's
        leafName, // this column, or when absent the name the next column's leaf implies
    };

    void add(int firstColumn, Kind kind) { columns_.push_back({firstColumn, kind}); }
    std::size_t size() const { return columns_.size(); }

    // The current row's attributes as views, valid until the next row or the next call.
    void views(const SqliteStatement& statement, std::vector<StoreValueView>& into);
    // One attribute of the current row, written over `into`.
    void valueInto(const SqliteStatement& statement, std::size_t attribute, StoreValue& into) const;

private:
    struct Column {
        int first;
        Kind kind;
    };
    std::vector<Column> columns_;
    std::vector<std::string> joined_; // by attribute: the room of its joined bytes
};

} // namespace vistrel
