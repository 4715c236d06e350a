#include "VistrelModelContainer.h"

#include "SchemaV1_0_0.h"

#include "services/ApplicationIdentity.h"
#include "services/Log.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

constexpr const char* errorPrefix = "Could not create ModelContainer: ";

// Makes every missing folder of `path` (mkdir -p).
void makeFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0700);
    ::mkdir(path.c_str(), 0700);
}

} // namespace

ModelContainerError::ModelContainerError(const std::string& description)
    : std::runtime_error(errorPrefix + description)
{
}

VistrelModelContainer& VistrelModelContainer::shared()
{
    static VistrelModelContainer instance;
    return instance;
}

std::string VistrelModelContainer::onDiskStoreLocation()
{
    std::string dataHome;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/')
        dataHome = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        dataHome = std::string(home) + "/.local/share";
    else
        dataHome = "/tmp";
    return dataHome + "/" + applicationId + "/default.store";
}

std::shared_ptr<StoreContainer> VistrelModelContainer::makeContainer(bool inMemory)
{
    if (inMemory) {
        std::lock_guard lock(mutex_);
        try {
            return StoreContainer::open(SchemaV1_0_0::schema(), StoreConfiguration{true, {}});
        } catch (const StoreError& error) {
            // Nothing can be scanned without memory for the snapshot.
            Log::error(LogCategory::app, errorPrefix + std::string(error.what()));
            std::fprintf(stderr, "%s%s\n", errorPrefix, error.what());
            std::abort();
        }
    }
    return makeContainer(onDiskStoreLocation());
}

std::shared_ptr<StoreContainer> VistrelModelContainer::makeContainer(const std::string& fileLocation)
{
    std::lock_guard lock(mutex_);
    const auto slash = fileLocation.rfind('/');
    if (slash != std::string::npos && slash > 0)
        makeFolders(fileLocation.substr(0, slash));
    try {
        return StoreContainer::open(SchemaV1_0_0::schema(), StoreConfiguration{false, fileLocation});
    } catch (const StoreError& error) {
        throw ModelContainerError(error.what());
    }
}

bool VistrelModelContainer::deleteStoreFile(const std::string& fileLocation)
{
    bool deleted = true;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        const std::string path = fileLocation + suffix;
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
            Log::error(LogCategory::app, "cannot delete " + path + ": " + std::strerror(errno));
            deleted = false;
        }
    }
    return deleted;
}

} // namespace vistrel
