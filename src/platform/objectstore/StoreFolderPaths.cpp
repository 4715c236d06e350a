#include "StoreFolderPaths.h"

#include "StoreFolderSql.h"

#include <sqlite3.h>

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vistrel {

namespace {

struct Paths {
    std::string lookup; // a folder's stored path by number
    std::unordered_map<std::int64_t, std::string> known;
    std::size_t knownBytes = 0;
    sqlite3_int64 changes = -1;
    // Bounded, so that a tree thousands of levels deep is not held whole.
    static constexpr std::size_t knownBytesLimit = std::size_t{32} << 20;
    // Longer chains than any real tree: a damaged store whose parents form a loop ends here.
    static constexpr std::size_t chainLimit = std::size_t{1} << 20;
};

std::string_view bytesOf(sqlite3_value* value)
{
    const auto* bytes = static_cast<const char*>(sqlite3_value_blob(value));
    return std::string_view(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_value_bytes(value)));
}

std::string_view columnBytes(sqlite3_stmt* statement, int column)
{
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
    return std::string_view(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

void remember(Paths& paths, std::int64_t number, const std::string& path)
{
    if (paths.knownBytes + path.size() > Paths::knownBytesLimit) {
        paths.known.clear();
        paths.knownBytes = 0;
    }
    if (paths.known.emplace(number, path).second)
        paths.knownBytes += path.size();
}

// The folder's path into `into`; false with the context's error set when it cannot be had.
bool pathOf(sqlite3_context* context, std::int64_t number, std::string& into)
{
    auto& paths = *static_cast<Paths*>(sqlite3_user_data(context));
    sqlite3* database = sqlite3_context_db_handle(context);
    const sqlite3_int64 changes = sqlite3_total_changes64(database);
    if (changes != paths.changes) {
        paths.known.clear();
        paths.knownBytes = 0;
        paths.changes = changes;
    }
    if (const auto found = paths.known.find(number); found != paths.known.end()) {
        into = found->second;
        return true;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(database, paths.lookup.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_result_error(context, sqlite3_errmsg(database), -1);
        sqlite3_finalize(statement);
        return false;
    }
    // Up to a folder kept whole or already known, then the names joined on the way down.
    std::vector<std::pair<std::int64_t, std::string>> chain;
    std::int64_t at = number;
    bool failed = false;
    const char* failure = nullptr; // SQLite's own message when null
    for (;;) {
        if (const auto found = paths.known.find(at); found != paths.known.end()) {
            into = found->second;
            break;
        }
        sqlite3_bind_int64(statement, 1, at);
        const int step = sqlite3_step(statement);
        if (step != SQLITE_ROW) {
            failed = true;
            failure = step == SQLITE_DONE ? "the snapshot store is damaged: a folder is missing" : nullptr;
            break;
        }
        const std::string_view stored = columnBytes(statement, 0);
        const auto parentAndName = StoreFolderSql::parseNamedPath(stored);
        if (!parentAndName) {
            into.assign(stored);
            break;
        }
        if (chain.size() >= Paths::chainLimit) {
            failed = true;
            failure = "the snapshot store is damaged: its folders form a loop";
            break;
        }
        chain.emplace_back(at, std::string(parentAndName->second));
        at = parentAndName->first;
        sqlite3_reset(statement);
    }
    if (failed)
        sqlite3_result_error(context, failure ? failure : sqlite3_errmsg(database), -1);
    sqlite3_finalize(statement);
    if (failed)
        return false;
    for (auto link = chain.rbegin(); link != chain.rend(); ++link) {
        into += link->second;
        remember(paths, link->first, into);
    }
    return true;
}

void folderPath(sqlite3_context* context, int, sqlite3_value** arguments)
{
    std::string path;
    if (pathOf(context, sqlite3_value_int64(arguments[0]), path))
        sqlite3_result_blob64(context, path.data(), path.size(), SQLITE_TRANSIENT);
}

void folderIs(sqlite3_context* context, int, sqlite3_value** arguments)
{
    std::string path;
    if (pathOf(context, sqlite3_value_int64(arguments[0]), path))
        sqlite3_result_int(context, path == bytesOf(arguments[1]) ? 1 : 0);
}

void folderUnder(sqlite3_context* context, int, sqlite3_value** arguments)
{
    std::string path;
    if (pathOf(context, sqlite3_value_int64(arguments[0]), path))
        sqlite3_result_int(context, std::string_view(path).starts_with(bytesOf(arguments[1])) ? 1 : 0);
}

} // namespace

void StoreFolderPaths::install(sqlite3* database, const std::string& folderTable)
{
    auto* paths = new Paths;
    paths->lookup = "SELECT \"path\" FROM " + folderTable + " WHERE \"number\" = ?";
    // One state for the three functions, freed with the last of them.
    const auto release = [](void* data) { delete static_cast<Paths*>(data); };
    sqlite3_create_function_v2(database, "vistrel_folder_path", 1, SQLITE_UTF8, paths, folderPath, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(database, "vistrel_folder_is", 2, SQLITE_UTF8, paths, folderIs, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(database, "vistrel_folder_under", 2, SQLITE_UTF8, paths, folderUnder, nullptr, nullptr,
                               release);
}

} // namespace vistrel
