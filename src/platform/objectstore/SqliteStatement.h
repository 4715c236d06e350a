#pragma once

#include "StorePendingRows.h"
#include "StoreValue.h"

#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace vistrel {

// One prepared statement; finalized on destruction. Failures throw StoreError.
class SqliteStatement {
public:
    SqliteStatement(sqlite3* database, const std::string& sql, bool persistent = false);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Parameters count from 1. Text is bound as bytes (a blob), so it compares bytewise.
    void bind(int index, const StoreValue& value);
    void bindBytes(int index, std::string_view value);
    void bindInteger(int index, std::int64_t value);
    void bindNull(int index);

    // True when a row is ready, false when done.
    bool step();
    void reset();

    int columnCount() const;
    bool isNull(int column) const;
    std::int64_t integer(int column) const;
    std::string bytes(int column) const;
    // The value as the column holds it: absent, integer or bytes.
    StoreValue value(int column) const;
    // The same without a copy: bytes stay valid until the next step or reset.
    StoreValueView view(int column) const;
    // value(), written over `into`: text reuses the room `into` had.
    void valueInto(int column, StoreValue& into) const;

private:
    sqlite3* database_;
    sqlite3_stmt* statement_ = nullptr;
};

} // namespace vistrel
