#pragma once

#include "StorePendingRows.h"
#include "StorePredicate.h"
#include "StoreValue.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vistrel {

class StoreContainer;
class StoreCursor;
class SqliteConnection;
class SqliteStatement;

// One entity as stored: its values in the schema's attribute order.
struct StoredObject {
    std::vector<StoreValue> values;
};

struct StoreFetchDescriptor {
    std::optional<StorePredicate> predicate;
    std::vector<StoreSortKey> sortBy;
    std::optional<std::int64_t> limit;
    // The attributes each fetched object holds, in this order; all of them, in the schema's
    // order, when empty. Narrow reads of many rows copy less.
    std::vector<std::string> attributes = {};
};

// One connection of its own on a container. Used by one thread at a time.
class StoreContext {
public:
    ~StoreContext();
    StoreContext(const StoreContext&) = delete;
    StoreContext& operator=(const StoreContext&) = delete;

    // With automatic saving on, every insert is saved at once.
    void setAutosaveEnabled(bool enabled) { autosave_ = enabled; }
    bool autosaveEnabled() const { return autosave_; }

    void insert(const StoredObject& object);
    // The same without building an object: values in the schema's attribute order.
    void insert(std::span<const StoreValueView> values);
    std::size_t pendingCount() const { return pending_.size(); }
    std::size_t pendingBytes() const { return pending_.bytes(); }
    // Makes room for `rows` more inserts whose text takes `textBytes` in all.
    void reserve(std::size_t rows, std::size_t textBytes);
    // At the next save, before its inserts and in the order asked: deletes the rows that meet
    // `predicate`, or adds each delta to its integer attribute in them (absent values stay
    // absent). Edits a snapshot in place.
    void removeWhere(StorePredicate predicate);
    void adjustWhere(StorePredicate predicate, std::vector<std::pair<std::string, std::int64_t>> deltas);
    // A metadata value written in the next save's transaction, with the changes it goes with.
    void setMetadataAtSave(std::string key, std::string value);
    // Writes every pending change and insert in one transaction, or nothing (throws
    // StoreError). They are gone afterwards either way.
    void save();

    std::vector<StoredObject> fetch(const StoreFetchDescriptor& descriptor);
    // The same rows handed over one at a time, for results too large to hold at once.
    void fetchEach(const StoreFetchDescriptor& descriptor, const std::function<void(StoredObject&&)>& receive);
    // The same as views into the store's own buffers, valid only while `receive` runs: for
    // passes over many rows that keep little of each.
    void fetchEachView(const StoreFetchDescriptor& descriptor,
                       const std::function<void(std::span<const StoreValueView>)>& receive);
    // The same read a row at a time, at the caller's pace; the cursor must end before the context.
    std::unique_ptr<StoreCursor> openCursor(const StoreFetchDescriptor& descriptor);
    // Every row below `folder` (a path ending in '/'; the schema's identity), folder by
    // folder: the folders in path order and each one's rows in path order, so that a
    // depth-first walk meets the rows of each directory right after the folder that holds it.
    // One read of the rows, without a query per folder or a sort of them.
    std::unique_ptr<StoreCursor> openFolderCursor(const std::string& folder,
                                                  const std::vector<std::string>& attributes);
    std::int64_t count(const std::optional<StorePredicate>& predicate);
    // The fetch and the count of all matches beyond its limit, in one pass over the rows.
    // Its objects always hold every attribute.
    std::pair<std::int64_t, std::vector<StoredObject>> fetchWithTotal(const StoreFetchDescriptor& descriptor);
    // The same in one pass over every row in storage order, ties under the descriptor's order
    // broken by the schema's index attributes: faster than a seek by the index when the
    // matching rows are spread over the store. With `parts` above 1, only part `part` of the
    // store is read, so that helpers can read the other parts at once; mergeTop() makes of
    // the parts what one pass finds.
    using Top = std::pair<std::int64_t, std::vector<StoredObject>>;
    Top fetchWithTotalInParts(const StoreFetchDescriptor& descriptor, std::size_t part = 0, std::size_t parts = 1);
    void mergeTop(const StoreFetchDescriptor& descriptor, Top& into, Top&& part) const;
    // SQLite's plan for a fetch or, with countOnly, a count: one line per step (benchmarks).
    std::vector<std::string> queryPlan(const StoreFetchDescriptor& descriptor, bool countOnly = false);

    StoreContainer& container() const { return *container_; }
    // Caps the pages this connection keeps: a pass that reads each page once gains nothing
    // from a large cache, and a few of them at once would hold hundreds of megabytes.
    void setPageCacheLimit(int kibibytes);
    // Ends the query running on this context from another thread, and refuses every later
    // one: each fails with a StoreError.
    void interrupt();
    bool interrupted() const { return interrupted_; }

private:
    friend class StoreContainer;
    static constexpr std::size_t rowsPerInsert = 256;
    void checkInterrupted() const;
    std::vector<std::pair<int, bool>> sortColumns(const std::vector<StoreSortKey>& sortBy) const;
    // The descriptor's sort keys, then the index's, which break ties between rows that do not
    // come in key order.
    std::vector<std::pair<int, bool>> tieBrokenSortColumns(const StoreFetchDescriptor& descriptor) const;
    // A SELECT of the descriptor with its values bound; throws when interrupted. Values are
    // bound without a copy: `bindings` must outlive the statement's steps.
    std::unique_ptr<SqliteStatement> prepareSelect(const StoreFetchDescriptor& descriptor,
                                                   std::vector<StoreValue>& bindings);
    std::unique_ptr<SqliteStatement> prepareBound(const std::string& sql, std::vector<StoreValue>& bindings);

    StoreContext(std::shared_ptr<StoreContainer> owner, StoreContainer* container,
                 std::unique_ptr<SqliteConnection> connection);

    std::shared_ptr<StoreContainer> owner_; // empty for the container's own main context
    StoreContainer* container_;
    std::unique_ptr<SqliteConnection> connection_;
    StorePendingRows pending_;
    struct Change {
        StorePredicate predicate;
        std::vector<std::pair<std::string, std::int64_t>> deltas; // none: a removal
    };
    std::vector<Change> changes_;
    std::vector<std::pair<std::string, std::string>> metadata_;
    bool autosave_ = true;
    // SQLite forgets an interruption that comes between two statements.
    std::atomic<bool> interrupted_{false};
};

} // namespace vistrel
