#pragma once

#include "StoreSchema.h"
#include "StoreWriterLock.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vistrel {

class StoreContext;
class StoreFolders;
class StoreSql;
class SqliteConnection;
class SqliteStatement;

struct StoreConfiguration {
    bool inMemoryOnly = false;
    std::string fileLocation; // when not in memory
    // Never creates or changes the file; refuses one that a writer holds.
    bool readOnly = false;
    // Holds the store's writer lock (a companion file "<store>.lock") until
    // releaseWriterLock() or the end of the container; refused while another holds it.
    bool exclusiveWriter = false;
    // For a file written to replace another: the store whose writer lock is held instead of
    // the file's own.
    std::string writerLockOf;
    // How many folder numbers a writer keeps at most before it forgets them and looks up
    // again the few it meets later: a scan's memory stays flat however many folders it finds.
    std::size_t rememberedFolders = std::size_t{1} << 15;
    // For a store made here: a folder whose path is longer is kept as its parent's number and
    // its name, so that a deep tree's store grows with its names, not its depth squared. Real
    // paths are shorter; tests lower it to reach the other way.
    std::size_t folderPathLimit = 512;
};

// One database: a file, or a named in-memory database shared by this process's
// connections and kept alive by the container's own connection.
class StoreContainer : public std::enable_shared_from_this<StoreContainer> {
public:
    // Creates the schema in a new or empty database. Refuses (StoreError) a file that is not
    // a snapshot or holds another schema version, before reading anything else of it.
    static std::shared_ptr<StoreContainer> open(StoreSchema schema, StoreConfiguration configuration);
    ~StoreContainer();
    StoreContainer(const StoreContainer&) = delete;
    StoreContainer& operator=(const StoreContainer&) = delete;

    const StoreSchema& schema() const { return schema_; }
    // How the file stores the entities: one flat table (stores of the schema's flat
    // versions), or folders and rows keyed by folder (new stores of a schema with a hierarchy).
    enum class Layout { flat, folders };
    Layout layout() const { return folders_ ? Layout::folders : Layout::flat; }
    // The schema's version the store was written with.
    const std::string& storedVersion() const { return storedVersion_; }
    const StoreSql& sql() const { return *sql_; }
    const StoreConfiguration& configuration() const { return configuration_; }
    // The same for every container over one database (the file's canonical path, or the
    // in-memory database's name): entity objects compare equal across them.
    const std::string& storeIdentity() const { return storeIdentity_; }

    // Used on the main thread only.
    StoreContext& mainContext();
    // Any number; each used by one thread at a time.
    std::unique_ptr<StoreContext> makeContext();
    // A context for a helper thread of a query, kept between uses: a new connection maps the
    // file anew and faults in every page it reads again.
    std::unique_ptr<StoreContext> takeSpareContext();
    void returnSpareContext(std::unique_ptr<StoreContext> context);

    // Deletes every stored entity of this store.
    void erase();

    // Small facts about the store kept beside the entities (absent when never set).
    std::optional<std::string> metadataValue(const std::string& key);
    void setMetadataValue(const std::string& key, const std::string& value);

    // For a read-only store on disk: throws when another program has written or replaced the
    // file since it was opened (its identity or SQLite's change counter differ), so that a
    // reader never passes off a half-rewritten store as the snapshot it opened.
    void checkUnchanged() const;
    // After this program changed the file through a writer of its own: its new version is
    // the one this container opened.
    void acceptCurrentVersion();

    void releaseWriterLock();
    // Hands the writer lock over, so that it outlives the container (a file that replaces
    // the store is closed before it is moved into place).
    StoreWriterLock takeWriterLock();
    // The companion file whose lock marks a writer at work.
    static std::string lockFileLocation(const std::string& fileLocation);

    // Held by a context while it writes. SQLite lets one writer in at a time anyway, but its
    // busy handler sleeps in steps of up to 100 ms; a waiting save here starts the moment
    // the one before it ends.
    std::mutex& writeMutex() { return writeMutex_; }
    // Frees what the container's own connection caches (the pages the saves of a scan
    // kept), once no more saves are coming.
    void releaseMemory();

    // The application id SQLite keeps in the file header: marks a file as one of ours.
    static constexpr int applicationId = 0x56535452; // "VSTR"

private:
    friend class StoreContext; // saves through the container's own connection
    StoreContainer(StoreSchema schema, StoreConfiguration configuration);
    std::unique_ptr<SqliteConnection> connect() const;
    void prepareDatabase();
    // SIZE_MAX for a store that keeps every folder's path whole.
    std::size_t storedFolderPathLimit();
    void checkFileAndLock();
    void claimWriter();
    void raiseMemoryLimit();
    // On keepAlive_, under writeMutex_ (held by the caller), in its transaction if one is open.
    void writeMetadata(const std::string& key, const std::string& value);
    // The statement on keepAlive_ that inserts `rows` rows (1 or the context's group size);
    // prepared once, used under writeMutex_.
    SqliteStatement& insertStatement(std::size_t rows);

    // The folder numbers of a folder-layout store, under writeMutex_.
    StoreFolders& folders();

    StoreSchema schema_;
    StoreConfiguration configuration_;
    std::string storedVersion_;
    std::unique_ptr<StoreSql> sql_;
    std::unique_ptr<StoreFolders> folders_;
    std::string databaseUri_;
    std::string storeIdentity_;
    // What the file was when a read-only container opened it: device, inode, change counter
    // and size (a file cut short in place keeps its counter, and SQLite reads the missing
    // pages as zeros, which may end a pass early without an error).
    struct FileVersion {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::uint32_t changeCounter = 0;
        std::int64_t size = 0;
        bool operator==(const FileVersion&) const = default;
    };
    static std::optional<FileVersion> fileVersion(const std::string& path);
    std::optional<FileVersion> openedVersion_; // under versionMutex_
    mutable std::mutex versionMutex_;
    std::unique_ptr<SqliteConnection> keepAlive_;
    // Every context saves through keepAlive_, under writeMutex_: one page cache for all the
    // batches of a scan instead of a cold one per batch, and one cache's memory at most.
    std::unique_ptr<SqliteStatement> insertStatement_;
    std::unique_ptr<SqliteStatement> groupInsertStatement_;
    std::unique_ptr<StoreContext> mainContext_;
    std::mutex mainContextMutex_;
    std::vector<std::unique_ptr<StoreContext>> spareContexts_; // under mainContextMutex_
    std::mutex writeMutex_;
    StoreWriterLock writerLock_;
};

} // namespace vistrel
