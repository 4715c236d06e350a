#pragma once

#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

namespace vistrel {

class StoreContainer;

// "Could not create ModelContainer: " followed by the store's description.
class ModelContainerError : public std::runtime_error {
public:
    explicit ModelContainerError(const std::string& description);
};

// Builds snapshot containers, one call at a time.
class VistrelModelContainer {
public:
    static VistrelModelContainer& shared();

    // In memory: a new, empty snapshot that lives as long as the container; failure is
    // fatal. On disk: the per-user store file; failure throws ModelContainerError and
    // leaves the decision to the caller.
    std::shared_ptr<StoreContainer> makeContainer(bool inMemory);
    // Any store file (vistrel-cli --store, tests).
    std::shared_ptr<StoreContainer> makeContainer(const std::string& fileLocation);

    // $XDG_DATA_HOME/<application id>/default.store (default ~/.local/share/...).
    static std::string onDiskStoreLocation();
    // Deletes the store file and its companions; false with a log line when it cannot.
    static bool deleteStoreFile(const std::string& fileLocation);

private:
    VistrelModelContainer() = default;
    std::mutex mutex_;
};

} // namespace vistrel
