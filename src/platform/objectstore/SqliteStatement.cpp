#include "SqliteStatement.h"

#include "SqliteConnection.h"
#include "StoreError.h"

#include <sqlite3.h>

namespace vistrel {

SqliteStatement::SqliteStatement(sqlite3* database, const std::string& sql, bool persistent)
    : database_(database)
{
    const int result = sqlite3_prepare_v3(database, sql.c_str(), static_cast<int>(sql.size()),
                                          persistent ? SQLITE_PREPARE_PERSISTENT : 0, &statement_, nullptr);
    if (result != SQLITE_OK)
        SqliteConnection::fail(database, result, "prepare");
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(statement_);
}

void SqliteStatement::bind(int index, const StoreValue& value)
{
    if (const auto* number = std::get_if<std::int64_t>(&value))
        bindInteger(index, *number);
    else if (const auto* text = std::get_if<std::string>(&value))
        bindBytes(index, *text);
    else
        bindNull(index);
}

void SqliteStatement::bindBytes(int index, std::string_view value)
{
    // Static: callers keep the value alive until the statement has stepped.
    // A null pointer would bind NULL rather than empty bytes.
    const char* data = value.data() ? value.data() : "";
    const int result = sqlite3_bind_blob64(statement_, index, data, value.size(), SQLITE_STATIC);
    if (result != SQLITE_OK)
        SqliteConnection::fail(database_, result, "bind");
}

void SqliteStatement::bindInteger(int index, std::int64_t value)
{
    const int result = sqlite3_bind_int64(statement_, index, value);
    if (result != SQLITE_OK)
        SqliteConnection::fail(database_, result, "bind");
}

void SqliteStatement::bindNull(int index)
{
    const int result = sqlite3_bind_null(statement_, index);
    if (result != SQLITE_OK)
        SqliteConnection::fail(database_, result, "bind");
}

bool SqliteStatement::step()
{
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    sqlite3_reset(statement_);
    SqliteConnection::fail(database_, result, "step");
}

void SqliteStatement::reset()
{
    sqlite3_reset(statement_);
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(statement_);
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

std::int64_t SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(statement_, column);
}

std::string SqliteStatement::bytes(int column) const
{
    const void* data = sqlite3_column_blob(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    return data ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size)) : std::string();
}

StoreValue SqliteStatement::value(int column) const
{
    switch (sqlite3_column_type(statement_, column)) {
    case SQLITE_NULL:
        return std::monostate{};
    case SQLITE_INTEGER:
        return integer(column);
    default:
        return bytes(column);
    }
}

void SqliteStatement::valueInto(int column, StoreValue& into) const
{
    const StoreValueView found = view(column);
    if (const auto* bytes = std::get_if<std::string_view>(&found))
        assignText(into, *bytes);
    else if (const auto* number = std::get_if<std::int64_t>(&found))
        into = *number;
    else
        into = std::monostate{};
}

StoreValueView SqliteStatement::view(int column) const
{
    switch (sqlite3_column_type(statement_, column)) {
    case SQLITE_NULL:
        return std::monostate{};
    case SQLITE_INTEGER:
        return integer(column);
    default:
        break;
    }
    const void* data = sqlite3_column_blob(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    return data ? std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(size)) : std::string_view();
}

} // namespace vistrel
