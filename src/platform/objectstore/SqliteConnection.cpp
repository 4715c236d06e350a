#include "SqliteConnection.h"

#include "StoreError.h"

#include <sqlite3.h>

namespace vistrel {

namespace {

StoreError::Code codeFor(int resultCode)
{
    switch (resultCode & 0xff) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return StoreError::Code::notASnapshot;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_READONLY:
        return StoreError::Code::cannotOpen;
    case SQLITE_FULL:
        return StoreError::Code::full;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return StoreError::Code::busy;
    default:
        return StoreError::Code::failed;
    }
}

} // namespace

void SqliteConnection::fail(sqlite3* database, int resultCode, const std::string& context)
{
    std::string message = database ? sqlite3_errmsg(database) : sqlite3_errstr(resultCode);
    throw StoreError(codeFor(resultCode), context + ": " + message);
}

SqliteConnection::SqliteConnection(const std::string& uri, bool readOnly)
{
    const int access = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const int flags = access | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    const int result = sqlite3_open_v2(uri.c_str(), &database_, flags, nullptr);
    if (result != SQLITE_OK) {
        const std::string message = database_ ? sqlite3_errmsg(database_) : sqlite3_errstr(result);
        sqlite3_close_v2(database_);
        database_ = nullptr;
        throw StoreError(codeFor(result), "open: " + message);
    }
}

SqliteConnection::~SqliteConnection()
{
    sqlite3_close_v2(database_);
}

void SqliteConnection::execute(const std::string& sql)
{
    char* error = nullptr;
    const int result = sqlite3_exec(database_, sql.c_str(), nullptr, nullptr, &error);
    if (result != SQLITE_OK) {
        const std::string message = error ? error : sqlite3_errstr(result);
        sqlite3_free(error);
        throw StoreError(codeFor(result), message);
    }
}

void SqliteConnection::interrupt()
{
    sqlite3_interrupt(database_);
}

void SqliteConnection::rollbackQuietly()
{
    if (sqlite3_get_autocommit(database_) == 0)
        sqlite3_exec(database_, "ROLLBACK", nullptr, nullptr, nullptr);
}

std::unique_ptr<SqliteStatement> SqliteConnection::prepare(const std::string& sql, bool persistent)
{
    return std::make_unique<SqliteStatement>(database_, sql, persistent);
}

StoreValue SqliteConnection::queryValue(const std::string& sql)
{
    SqliteStatement statement(database_, sql);
    if (!statement.step())
        return std::monostate{};
    return statement.value(0);
}

} // namespace vistrel
