#include "VistrelModelContainer.h"

#include "SchemaV2_0_0.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"
#include "services/ApplicationIdentity.h"
#include "services/Log.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
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

ModelContainerError::ModelContainerError(const std::string& description, StoreError::Code code)
    : std::runtime_error(errorPrefix + description)
    , code_(code)
    , description_(description)
{
}

VistrelModelContainer& VistrelModelContainer::shared()
{
    static VistrelModelContainer instance;
    return instance;
}

std::string VistrelModelContainer::onDiskStoreLocation(const std::string& root)
{
    std::string dataHome;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/')
        dataHome = xdg;
    else if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        dataHome = std::string(home) + "/.local/share";
    else if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && entry->pw_dir[0] == '/')
        dataHome = std::string(entry->pw_dir) + "/.local/share";
    else
        return {}; // no folder of this user's to keep a snapshot in
    const std::string folder = dataHome + "/" + applicationId + "/";
    if (root.empty() || root == "/")
        return folder + "default.store";
    // A root's path can be longer than a file name may be: its digest names the file, and
    // the store records the root itself.
    const QByteArray digest = QCryptographicHash::hash(QByteArray(root.data(), static_cast<qsizetype>(root.size())),
                                                       QCryptographicHash::Sha256)
                                  .toHex()
                                  .left(24);
    return folder + "snapshot-" + digest.toStdString() + ".store";
}

std::string VistrelModelContainer::storedRootHolding(const std::string& directory)
{
    std::string candidate = directory;
    if (candidate.empty() || candidate.back() != '/')
        candidate += '/';
    while (candidate.size() > 1) {
        struct stat status { };
        const std::string location = onDiskStoreLocation(candidate);
        if (!location.empty() && ::stat(location.c_str(), &status) == 0)
            return candidate;
        candidate.pop_back();
        candidate.erase(candidate.rfind('/') + 1);
    }
    return "/";
}

std::shared_ptr<StoreContainer> VistrelModelContainer::makeContainer(bool inMemory)
{
    if (inMemory) {
        std::lock_guard lock(mutex_);
        try {
            StoreConfiguration memory;
            memory.inMemoryOnly = true;
            return StoreContainer::open(SchemaV2_0_0::schema(), memory);
        } catch (const StoreError& error) {
            // Nothing can be scanned without memory for the snapshot.
            Log::error(LogCategory::app, errorPrefix + std::string(error.what()));
            std::fprintf(stderr, "%s%s\n", errorPrefix, error.what());
            std::abort();
        }
    }
    return makeOnDiskContainer(Access::readWrite);
}

std::string VistrelModelContainer::checkedOnDiskStoreLocation(const std::string& root, bool create)
{
    const std::string location = onDiskStoreLocation(root);
    if (location.empty())
        throw ModelContainerError("no home folder to keep the snapshot in", StoreError::Code::cannotOpen);
    const std::string folder = location.substr(0, location.rfind('/'));
    if (create)
        makeFolders(folder);
    // Another user could have made the folder first, in a shared place, to read or plant snapshots.
    struct stat status { };
    if (::lstat(folder.c_str(), &status) == 0 && (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()))
        throw ModelContainerError(folder + " is not a folder of this user's", StoreError::Code::cannotOpen);
    return location;
}

std::shared_ptr<StoreContainer> VistrelModelContainer::makeOnDiskContainer(Access access, const std::string& root)
{
    return makeContainer(checkedOnDiskStoreLocation(root, access != Access::readOnly), access);
}

std::shared_ptr<StoreContainer> VistrelModelContainer::makeContainer(const std::string& fileLocation, Access access,
                                                                     const std::string& replacing)
{
    std::lock_guard lock(mutex_);
    const auto slash = fileLocation.rfind('/');
    if (access != Access::readOnly && slash != std::string::npos && slash > 0)
        makeFolders(fileLocation.substr(0, slash));
    StoreConfiguration configuration;
    configuration.fileLocation = fileLocation;
    configuration.readOnly = access == Access::readOnly;
    configuration.exclusiveWriter = access == Access::scanning;
    configuration.writerLockOf = replacing;
    try {
        return StoreContainer::open(SchemaV2_0_0::schema(), configuration);
    } catch (const StoreError& error) {
        throw ModelContainerError(error.what(), error.code());
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
