#pragma once

#include "store/SnapshotCompletion.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vistrel {

// The snapshots kept of a store file: the current one, and the earlier ones in the "history"
// folder beside it. A scan writes a partial file next to the store and moves it into place
// only once it is whole, so the current snapshot is never lost to a scan that does not finish.
class SnapshotHistory {
public:
    class Error : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    struct Snapshot {
        std::string location;
        std::optional<std::string> root;
        std::optional<SnapshotCompletion::ScanFacts> facts;
        std::int64_t bytesOnDisk = 0;
        bool current = false;
        // The file could not be read as a snapshot; `problem` says why.
        std::optional<std::string> problem;
    };

    // Where a scan writes the file that is to replace `storeLocation`.
    static std::string partialLocation(const std::string& storeLocation);
    static std::string historyFolder(const std::string& storeLocation);
    // Whether the file is an earlier snapshot (it lies in a history folder).
    static bool isEarlier(const std::string& location);

    // The file a scan or an import would replace must be a snapshot, or nothing yet: anything
    // else named by mistake is refused (ModelContainerError) instead of being overwritten.
    static void checkReplaceable(const std::string& storeLocation);
    // Moves a finished partial file into place, once its data is on disk: the current
    // snapshot moves into the history, which then keeps the newest `keepCount` of this store
    // (0: the current one is dropped; also, with a log line, when the history folder cannot
    // hold a link to it). The caller holds the store's writer lock. Throws Error; the current
    // snapshot stays as it was unless the move itself succeeded. Returns why the previous
    // snapshot could not be kept, when it was meant to be and was not.
    [[nodiscard]] static std::optional<std::string> install(const std::string& partial,
                                                            const std::string& storeLocation, int keepCount);
    // Deletes what a killed scan left, unless a writer holds the store now.
    static void removeAbandoned(const std::string& storeLocation);
    // Deletes all but the newest `keepCount` earlier snapshots of the store.
    static void rotate(const std::string& storeLocation, int keepCount);

    // The current snapshot (when there is one) and then the earlier ones, newest first.
    static std::vector<Snapshot> list(const std::string& storeLocation);
    // Only the earlier ones, newest first.
    static std::vector<Snapshot> earlier(const std::string& storeLocation);
    // Reads a store's facts without changing it.
    static Snapshot describe(const std::string& location);
    // Deletes an earlier snapshot (never the current one); false with a log line when it cannot.
    static bool remove(const std::string& location);
};

} // namespace vistrel
