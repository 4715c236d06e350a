#pragma once

#include "StorePendingRows.h"
#include "StoreSelectColumns.h"
#include "StoreValue.h"

#include <memory>
#include <span>
#include <vector>

namespace vistrel {

class SqliteStatement;
class StoreContext;

// The rows of one fetch, read one at a time when the caller asks: for walking two stores'
// rows in step, which a callback that reads one store to its end cannot do.
class StoreCursor {
public:
    ~StoreCursor();
    StoreCursor(const StoreCursor&) = delete;
    StoreCursor& operator=(const StoreCursor&) = delete;

    // Moves to the next row; false once there is none. Throws StoreError, also when the
    // context was interrupted.
    bool next();
    // The row's values in the fetch's attribute order, valid until the next call to next().
    std::span<const StoreValueView> values() const { return values_; }

private:
    friend class StoreContext;
    StoreCursor(StoreContext& context, std::unique_ptr<std::vector<StoreValue>> bindings,
                std::unique_ptr<SqliteStatement> statement, StoreSelectColumns columns);

    StoreContext& context_;
    std::unique_ptr<std::vector<StoreValue>> bindings_; // bound without a copy: kept at one address
    std::unique_ptr<SqliteStatement> statement_;
    StoreSelectColumns columns_;
    std::vector<StoreValueView> values_;
    bool ended_ = false;
};

} // namespace vistrel
