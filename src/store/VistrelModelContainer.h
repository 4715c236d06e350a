#pragma once

#include "objectstore/StoreError.h"

#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

namespace vistrel {

class StoreContainer;

// "Could not create ModelContainer: " followed by the store's description.
class ModelContainerError : public std::runtime_error {
public:
    explicit ModelContainerError(const std::string& description, StoreError::Code code = StoreError::Code::failed);
    StoreError::Code code() const { return code_; }
    // The store's own words, without the prefix (for messages that explain it to a person).
    const std::string& description() const { return description_; }

private:
    StoreError::Code code_;
    std::string description_;
};

// Builds snapshot containers, one call at a time.
class VistrelModelContainer {
public:
    static VistrelModelContainer& shared();

    // In memory: a new, empty snapshot that lives as long as the container; failure is
    // fatal. On disk: the per-user store file; failure throws ModelContainerError and
    // leaves the decision to the caller.
    std::shared_ptr<StoreContainer> makeContainer(bool inMemory);
    enum class Access {
        readWrite,
        readOnly, // never creates or changes the file; refused while a scan writes it
        scanning, // holds the store's writer lock: a second scan is refused
    };
    // Any store file (vistrel-cli --store, tests). A scan that writes a file to replace
    // another store names it in `replacing`: that store's writer lock is the one held.
    std::shared_ptr<StoreContainer> makeContainer(const std::string& fileLocation, Access access = Access::readWrite,
                                                  const std::string& replacing = {});
    // The per-user store file of a scan root with that access; its folder is made private
    // to this user.
    std::shared_ptr<StoreContainer> makeOnDiskContainer(Access access, const std::string& root = "/");

    // One snapshot per scan root, in $XDG_DATA_HOME/<application id>/ (default
    // ~/.local/share/..., the home folder coming from the password database when HOME is
    // unset): default.store for "/", snapshot-<hash of the root>.store for any other.
    static std::string onDiskStoreLocation(const std::string& root = "/");
    // The same, its folder made first when `create`; throws ModelContainerError when there
    // is no such folder of this user's.
    static std::string checkedOnDiskStoreLocation(const std::string& root, bool create);
    // The scan root whose per-user snapshot holds `directory`: the nearest of it and its
    // ancestors that has one ("/" when none has).
    static std::string storedRootHolding(const std::string& directory);
    // Deletes the store file and its companions; false with a log line when it cannot.
    static bool deleteStoreFile(const std::string& fileLocation);

private:
    VistrelModelContainer() = default;
    std::mutex mutex_;
};

} // namespace vistrel
