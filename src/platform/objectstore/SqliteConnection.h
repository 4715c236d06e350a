#pragma once

#include "SqliteStatement.h"

#include <memory>
#include <string>

struct sqlite3;

namespace vistrel {

// One SQLite connection, closed on destruction. Failures throw StoreError.
class SqliteConnection {
public:
    // `uri` is an SQLite URI ("file:/path" or "file:/name?vfs=memdb"). Read-only never
    // creates the database.
    explicit SqliteConnection(const std::string& uri, bool readOnly = false);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    void execute(const std::string& sql);
    // Rolls back the open transaction, if SQLite has not already done so (it does on a full
    // disk); the error that led here is what the caller reports.
    void rollbackQuietly();
    // Makes the statement running on this connection fail soon (SQLITE_INTERRUPT); callable
    // from any thread.
    void interrupt();
    std::unique_ptr<SqliteStatement> prepare(const std::string& sql, bool persistent = false);
    // The first column of the first row, or absent.
    StoreValue queryValue(const std::string& sql);

    sqlite3* handle() const { return database_; }

    // Throws a StoreError for the connection's last error, described with `context`.
    [[noreturn]] static void fail(sqlite3* database, int resultCode, const std::string& context);

private:
    sqlite3* database_ = nullptr;
};

} // namespace vistrel
