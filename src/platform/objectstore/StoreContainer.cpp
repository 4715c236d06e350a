#include "StoreContainer.h"

#include "SqliteConnection.h"
#include "StoreContext.h"
#include "StoreError.h"
#include "StoreFolderPaths.h"
#include "StoreFolderSql.h"
#include "StoreFolders.h"
#include "StoreSql.h"
#include "StoreWriterLock.h"
#include "services/TextFolding.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

constexpr const char* metadataTable = "vistrel_store_metadata";
// Absent from stores that keep every folder's path whole.
constexpr const char* folderPathLimitKey = "folderPathLimit";
// Present once a store holds a folder kept by name.
constexpr const char* namedFoldersKey = "namedFolders";

// Bytes outside the unreserved set are escaped, so any file name survives the URI.
std::string fileUri(const std::string& path)
{
    static const char* hex = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            uri += c;
        } else {
            uri += '%';
            uri += hex[byte >> 4];
            uri += hex[byte & 0xf];
        }
    }
    return uri;
}

std::string canonicalPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

std::string_view bytesOf(sqlite3_value* value)
{
    const auto* bytes = static_cast<const char*>(sqlite3_value_blob(value));
    return std::string_view(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_value_bytes(value)));
}

// The folded needle of argument `index`, kept with the statement; null when out of memory.
const TextFolding::Needle* needleOf(sqlite3_context* context, sqlite3_value** arguments, int index)
{
    if (auto* needle = static_cast<TextFolding::Needle*>(sqlite3_get_auxdata(context, index)))
        return needle;
    sqlite3_set_auxdata(context, index, new TextFolding::Needle(bytesOf(arguments[index])),
                        [](void* data) { delete static_cast<TextFolding::Needle*>(data); });
    return static_cast<TextFolding::Needle*>(sqlite3_get_auxdata(context, index));
}

// vistrel_contains(haystack, needle): containment ignoring case and diacritics. The folded
// needle is kept as auxiliary data, so it is folded once per statement, not per row.
void containsFunction(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL || sqlite3_value_type(arguments[1]) == SQLITE_NULL) {
        sqlite3_result_int(context, 0);
        return;
    }
    const TextFolding::Needle* needle = needleOf(context, arguments, 1);
    if (!needle) {
        sqlite3_result_error_nomem(context);
        return;
    }
    sqlite3_result_int(context, TextFolding::contains(bytesOf(arguments[0]), *needle) ? 1 : 0);
}

// vistrel_contains_name(name, leaf, needle): the same on a folder-layout row's name, which is
// absent where its leaf implies it; no copy of the leaf per row.
void containsNameFunction(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (sqlite3_value_type(arguments[2]) == SQLITE_NULL) {
        sqlite3_result_int(context, 0);
        return;
    }
    const TextFolding::Needle* needle = needleOf(context, arguments, 2);
    if (!needle) {
        sqlite3_result_error_nomem(context);
        return;
    }
    const std::string_view name = sqlite3_value_type(arguments[0]) != SQLITE_NULL
        ? bytesOf(arguments[0])
        : StoreFolderSql::leafName(bytesOf(arguments[1]));
    sqlite3_result_int(context, TextFolding::contains(name, *needle) ? 1 : 0);
}

// vistrel_leaf_name(leaf): the name a folder-layout row leaves out because its leaf implies it.
void leafNameFunction(sqlite3_context* context, int, sqlite3_value** arguments)
{
    const std::string_view leaf = StoreFolderSql::leafName(bytesOf(arguments[0]));
    sqlite3_result_blob(context, leaf.data(), static_cast<int>(leaf.size()), SQLITE_TRANSIENT);
}

// vistrel_parent_path(path): the folder that holds it ("/a/" for "/a/b" and "/a/b/").
void parentPathFunction(sqlite3_context* context, int, sqlite3_value** arguments)
{
    const std::string_view folder = StoreFolderSql::split(bytesOf(arguments[0])).first;
    sqlite3_result_blob(context, folder.data(), static_cast<int>(folder.size()), SQLITE_TRANSIENT);
}

std::atomic<unsigned> memoryDatabaseCounter{0};

} // namespace

StoreContainer::StoreContainer(StoreSchema schema, StoreConfiguration configuration)
    : schema_(std::move(schema))
    , configuration_(std::move(configuration))
{
    if (configuration_.inMemoryOnly) {
        storeIdentity_
            = "/vistrel-memory-" + std::to_string(::getpid()) + "-" + std::to_string(++memoryDatabaseCounter);
        databaseUri_ = "file:" + storeIdentity_ + "?vfs=memdb";
    } else {
        databaseUri_ = fileUri(configuration_.fileLocation);
    }
}

StoreContainer::~StoreContainer()
{
    mainContext_.reset();
    spareContexts_.clear();
    insertStatement_.reset();
    groupInsertStatement_.reset();
    if (folders_)
        folders_->release();
    keepAlive_.reset();
    releaseWriterLock();
}

std::string StoreContainer::lockFileLocation(const std::string& fileLocation)
{
    return StoreWriterLock::location(fileLocation);
}

void StoreContainer::releaseWriterLock()
{
    writerLock_.release();
}

StoreWriterLock StoreContainer::takeWriterLock()
{
    return std::move(writerLock_);
}

namespace {

// A scan waits this long for programs reading the store to let go before it starts, and
// this long for a reader's query at each save once it has started.
constexpr int writerClaimMilliseconds = 2000;
constexpr int writerSaveMilliseconds = 10000;

} // namespace

// The lock lives in a file of its own: closing a descriptor of the database file itself would
// drop the locks SQLite holds on it.
void StoreContainer::checkFileAndLock()
{
    const std::string& path = configuration_.fileLocation;
    struct stat status { };
    if (::stat(path.c_str(), &status) == 0) {
        if (!S_ISREG(status.st_mode))
            throw StoreError(StoreError::Code::cannotOpen, path + " is not a regular file");
    } else if (configuration_.readOnly) {
        throw StoreError(StoreError::Code::cannotOpen, std::string("no snapshot store at ") + path);
    }
    // SQLite and we open these two without asking what they are: a pipe or a directory in
    // their place would hang the open or pass for a half-done write.
    const std::string lockPath = lockFileLocation(path);
    for (const std::string& companion : {lockPath, path + "-journal"}) {
        struct stat companionStatus { };
        if (::lstat(companion.c_str(), &companionStatus) == 0 && !S_ISREG(companionStatus.st_mode))
            throw StoreError(StoreError::Code::cannotOpen,
                             companion + " is not a regular file; remove it to use the snapshot store");
    }
    if (configuration_.exclusiveWriter) {
        writerLock_
            = StoreWriterLock::acquire(configuration_.writerLockOf.empty() ? path : configuration_.writerLockOf);
        return;
    }
    // Readers only look: a writer that starts later is theirs to refuse, not the other way.
    if (StoreWriterLock::isHeld(path))
        throw StoreError(StoreError::Code::busy, "a scan is writing the snapshot store " + path + " right now");
}

std::shared_ptr<StoreContainer> StoreContainer::open(StoreSchema schema, StoreConfiguration configuration)
{
    std::shared_ptr<StoreContainer> container(new StoreContainer(std::move(schema), std::move(configuration)));
    if (!container->configuration_.inMemoryOnly)
        container->checkFileAndLock();
    try {
        container->keepAlive_ = container->connect();
        // Every save goes through this connection, and each batch arrives in key order, so
        // a small cache serves: on the 10-million-file tree 4 MiB scanned within 10% of
        // 16 MiB's time with 50 MB less at the peak.
        if (!container->configuration_.inMemoryOnly)
            container->keepAlive_->execute("PRAGMA cache_size = -4096");
        else
            container->raiseMemoryLimit();
        container->prepareDatabase();
        if (container->configuration_.exclusiveWriter && !container->configuration_.inMemoryOnly)
            container->claimWriter();
    } catch (const StoreError& error) {
        // A reader cannot roll back what a killed writer left half done.
        struct stat journal { };
        const std::string journalPath = container->configuration_.fileLocation + "-journal";
        if (container->configuration_.readOnly && ::stat(journalPath.c_str(), &journal) == 0 && journal.st_size > 0)
            throw StoreError(StoreError::Code::failed,
                             "incomplete snapshot: its scan did not finish and left a write half done");
        throw;
    }
    if (!container->configuration_.inMemoryOnly)
        container->storeIdentity_ = canonicalPath(container->configuration_.fileLocation);
    if (container->configuration_.readOnly)
        container->openedVersion_ = fileVersion(container->configuration_.fileLocation);
    return container;
}

std::optional<StoreContainer::FileVersion> StoreContainer::fileVersion(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct stat status { };
    unsigned char counter[4] = {};
    // SQLite raises the big-endian counter at offset 24 of the header with every commit.
    const bool read = ::fstat(fd, &status) == 0 && ::pread(fd, counter, sizeof counter, 24) == sizeof counter;
    ::close(fd);
    if (!read)
        return std::nullopt;
    return FileVersion{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                       (std::uint32_t{counter[0]} << 24) | (std::uint32_t{counter[1]} << 16)
                           | (std::uint32_t{counter[2]} << 8) | std::uint32_t{counter[3]},
                       static_cast<std::int64_t>(status.st_size)};
}

void StoreContainer::checkUnchanged() const
{
    std::lock_guard lock(versionMutex_);
    if (!openedVersion_)
        return;
    if (fileVersion(configuration_.fileLocation) != openedVersion_)
        throw StoreError(StoreError::Code::failed,
                         "the snapshot store was changed by another program after it was opened");
}

void StoreContainer::acceptCurrentVersion()
{
    std::lock_guard lock(versionMutex_);
    if (openedVersion_)
        openedVersion_ = fileVersion(configuration_.fileLocation);
}

// A program that opened the store before this scan may be in the middle of a long query, and
// SQLite's busy handler would wait for it in silence at every save. The scan asks for the
// whole file once, briefly, and says why when it cannot have it.
void StoreContainer::claimWriter()
{
    sqlite3* handle = keepAlive_->handle();
    sqlite3_busy_timeout(handle, writerClaimMilliseconds);
    try {
        keepAlive_->execute("BEGIN EXCLUSIVE");
        keepAlive_->execute("COMMIT");
    } catch (const StoreError& error) {
        keepAlive_->rollbackQuietly();
        if (error.code() != StoreError::Code::busy)
            throw;
        throw StoreError(StoreError::Code::inUse,
                         "another program is reading the snapshot store " + configuration_.fileLocation + " right now");
    }
    sqlite3_busy_timeout(handle, writerSaveMilliseconds);
}

std::unique_ptr<SqliteConnection> StoreContainer::connect() const
{
    auto connection = std::make_unique<SqliteConnection>(databaseUri_, configuration_.readOnly);
    sqlite3* handle = connection->handle();
    // Saves of concurrent contexts take turns instead of failing.
    sqlite3_busy_timeout(handle, configuration_.exclusiveWriter ? writerSaveMilliseconds : 60000);
    sqlite3_create_function_v2(handle, "vistrel_contains", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               containsFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(handle, "vistrel_contains_name", 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               containsNameFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(handle, "vistrel_leaf_name", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               leafNameFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(handle, "vistrel_parent_path", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               parentPathFunction, nullptr, nullptr, nullptr);
    if (schema_.hierarchy)
        StoreFolderPaths::install(handle, StoreFolderSql::folderTable(schema_));
    // A snapshot can be scanned again, so a scan trades durability against power loss for
    // speed. The rollback journal still keeps each save atomic if the process dies, and
    // unlike a write-ahead log it does not write every page twice (10% of a disk scan).
    if (configuration_.inMemoryOnly) {
        connection->execute("PRAGMA journal_mode = MEMORY"); // per connection; memdb has no WAL
        // The pages already live in memory: a large page cache would only hold second copies.
        connection->execute("PRAGMA cache_size = -4096");
    } else {
        connection->execute("PRAGMA journal_mode = TRUNCATE"); // per connection
        connection->execute("PRAGMA synchronous = OFF");
        // Readers copy pages rather than map the file: another program may cut the file short
        // under them, and a mapped page past its new end kills the process with SIGBUS.
        connection->execute("PRAGMA cache_size = -65536");
    }
    return connection;
}

void StoreContainer::prepareDatabase()
{
    SqliteConnection& connection = *keepAlive_;
    // Reading the header first: a file that is not SQLite fails here, before anything is written.
    bool createdHere = false;
    const StoreValue identifier = connection.queryValue("PRAGMA application_id");
    const auto tableCount = std::get<std::int64_t>(connection.queryValue("SELECT COUNT(*) FROM sqlite_schema"));
    if (std::get<std::int64_t>(identifier) != applicationId) {
        if (tableCount != 0)
            throw StoreError(StoreError::Code::notASnapshot, "the file is not a snapshot store");
        if (configuration_.readOnly)
            throw StoreError(StoreError::Code::notASnapshot, "the file is empty, not a snapshot store");
        // A new, empty database: the page size must be set before the first table exists.
        connection.execute("PRAGMA page_size = 8192");
        connection.execute("BEGIN IMMEDIATE");
        try {
            // Another container may have initialized it meanwhile.
            if (std::get<std::int64_t>(connection.queryValue("SELECT COUNT(*) FROM sqlite_schema")) == 0) {
                createdHere = true;
                const auto tables = schema_.hierarchy
                    ? StoreFolderSql(schema_, configuration_.folderPathLimit).createTables()
                    : StoreSql(schema_).createTables();
                for (const std::string& table : tables)
                    connection.execute(table);
                connection.execute(std::string("CREATE TABLE ") + metadataTable
                                   + " (key TEXT PRIMARY KEY, value TEXT)");
                auto insert
                    = connection.prepare(std::string("INSERT INTO ") + metadataTable + " VALUES ('schemaVersion', ?)");
                insert->bindBytes(1, schema_.version);
                insert->step();
                if (schema_.hierarchy)
                    writeMetadata(folderPathLimitKey, std::to_string(configuration_.folderPathLimit));
                connection.execute("PRAGMA application_id = " + std::to_string(applicationId));
            }
            connection.execute("COMMIT");
        } catch (...) {
            connection.rollbackQuietly();
            throw;
        }
    }
    const StoreValue version = connection.queryValue(std::string("SELECT CAST(value AS BLOB) FROM ") + metadataTable
                                                     + " WHERE key = 'schemaVersion'");
    const auto* versionText = std::get_if<std::string>(&version);
    if (!versionText)
        throw StoreError(StoreError::Code::notASnapshot, "the snapshot store has no schema version");
    storedVersion_ = *versionText;
    const auto& flat = schema_.flatVersions;
    if (*versionText == schema_.version && schema_.hierarchy) {
        auto sql = std::make_unique<StoreFolderSql>(schema_, storedFolderPathLimit());
        if (sql->pathLimit() != SIZE_MAX && metadataValue(namedFoldersKey))
            sql->noteNamedFolder();
        // Alone on a store it made: a folder it has not seen is new, with no lookup to prove it.
        folders_ = std::make_unique<StoreFolders>(
            *sql, createdHere && (configuration_.inMemoryOnly || configuration_.exclusiveWriter),
            configuration_.rememberedFolders,
            std::string("INSERT OR REPLACE INTO ") + metadataTable + " VALUES ('" + namedFoldersKey + "', '1')");
        sql_ = std::move(sql);
    } else if (*versionText == schema_.version || std::find(flat.begin(), flat.end(), *versionText) != flat.end()) {
        sql_ = std::make_unique<StoreSql>(schema_);
    } else {
        std::string readable = schema_.version;
        for (const std::string& version : flat)
            readable += " and " + version;
        throw StoreError(StoreError::Code::incompatibleVersion,
                         "the snapshot store has schema version " + *versionText + ", this program reads " + readable);
    }
}

std::size_t StoreContainer::storedFolderPathLimit()
{
    const std::optional<std::string> text = metadataValue(folderPathLimitKey);
    if (!text)
        return SIZE_MAX;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text->c_str(), &end, 10);
    if (text->empty() || *end != '\0' || parsed == 0)
        throw StoreError(StoreError::Code::notASnapshot,
                         "the snapshot store is damaged: its folder limit is unreadable");
    return static_cast<std::size_t>(parsed);
}

StoreFolders& StoreContainer::folders()
{
    if (!folders_)
        throw StoreError(StoreError::Code::failed, "the store has no folders");
    return *folders_;
}

std::optional<std::string> StoreContainer::metadataValue(const std::string& key)
{
    std::lock_guard writing(writeMutex_); // the container's own connection serves one thread at a time
    auto query = keepAlive_->prepare(std::string("SELECT CAST(value AS BLOB) FROM ") + metadataTable
                                     + " WHERE key = CAST(? AS TEXT)");
    query->bindBytes(1, key);
    if (!query->step())
        return std::nullopt;
    const StoreValue value = query->value(0);
    const auto* text = std::get_if<std::string>(&value);
    return text ? std::optional<std::string>(*text) : std::nullopt;
}

void StoreContainer::setMetadataValue(const std::string& key, const std::string& value)
{
    std::lock_guard writing(writeMutex_);
    writeMetadata(key, value);
}

void StoreContainer::writeMetadata(const std::string& key, const std::string& value)
{
    auto statement
        = keepAlive_->prepare(std::string("INSERT OR REPLACE INTO ") + metadataTable + " VALUES (CAST(? AS TEXT), ?)");
    statement->bindBytes(1, key);
    statement->bindBytes(2, value);
    statement->step();
}

void StoreContainer::raiseMemoryLimit()
{
    // An in-memory database stops at 1 GiB unless told otherwise, and a volume of ten
    // million items needs more: let it have the machine's memory.
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    sqlite3_int64 limit = pages > 0 && pageSize > 0 ? static_cast<sqlite3_int64>(pages) * pageSize : INT64_MAX;
    sqlite3_file_control(keepAlive_->handle(), "main", SQLITE_FCNTL_SIZE_LIMIT, &limit);
}

SqliteStatement& StoreContainer::insertStatement(std::size_t rows)
{
    auto& statement = rows == 1 ? insertStatement_ : groupInsertStatement_;
    if (!statement)
        statement = keepAlive_->prepare(sql_->insert(rows), true);
    return *statement;
}

void StoreContainer::releaseMemory()
{
    std::lock_guard writing(writeMutex_);
    sqlite3_db_release_memory(keepAlive_->handle());
}

StoreContext& StoreContainer::mainContext()
{
    std::lock_guard lock(mainContextMutex_);
    // The container owns its main context, which must not keep the container alive in turn.
    if (!mainContext_)
        mainContext_ = std::unique_ptr<StoreContext>(new StoreContext(nullptr, this, connect()));
    return *mainContext_;
}

std::unique_ptr<StoreContext> StoreContainer::makeContext()
{
    return std::unique_ptr<StoreContext>(new StoreContext(shared_from_this(), this, connect()));
}

std::unique_ptr<StoreContext> StoreContainer::takeSpareContext()
{
    {
        std::lock_guard lock(mainContextMutex_);
        if (!spareContexts_.empty()) {
            auto context = std::move(spareContexts_.back());
            spareContexts_.pop_back();
            return context;
        }
    }
    // Like the main context it must not keep the container alive: it may be kept here.
    return std::unique_ptr<StoreContext>(new StoreContext(nullptr, this, connect()));
}

void StoreContainer::returnSpareContext(std::unique_ptr<StoreContext> context)
{
    std::lock_guard lock(mainContextMutex_);
    if (!context->interrupted_)
        spareContexts_.push_back(std::move(context));
}

void StoreContainer::erase()
{
    SqliteConnection& connection = *keepAlive_;
    std::lock_guard writing(writeMutex_);
    connection.execute(sql_->deleteAll());
    if (!configuration_.inMemoryOnly) {
        // Give the freed pages back to the file system; a reader still open only delays that.
        try {
            connection.execute("VACUUM");
        } catch (const StoreError&) {
        }
    }
}

} // namespace vistrel
