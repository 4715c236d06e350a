#include "SnapshotHistory.h"

#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"
#include "objectstore/StoreWriterLock.h"
#include "services/Log.h"
#include "store/VistrelModelContainer.h"

#include <QDateTime>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace vistrel {

namespace {

std::string folderOf(const std::string& location)
{
    const auto slash = location.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : location.substr(0, slash);
}

// "default" of ".../default.store": the part every earlier snapshot's name starts with.
std::string stemOf(const std::string& location)
{
    std::string name = location.substr(location.rfind('/') + 1);
    constexpr std::string_view suffix = ".store";
    if (name.size() > suffix.size() && name.ends_with(suffix))
        name.resize(name.size() - suffix.size());
    return name;
}

// The time and the number that tell "<stem>-YYYYMMDD-HHMMSS[-N].store" apart; absent for any
// other name.
std::optional<std::pair<std::string, int>> historyKey(const std::string& name, const std::string& stem)
{
    constexpr std::string_view suffix = ".store";
    if (!name.starts_with(stem + "-") || !name.ends_with(suffix))
        return std::nullopt;
    const std::string rest = name.substr(stem.size() + 1, name.size() - stem.size() - 1 - suffix.size());
    if (rest.size() < 15 || rest[8] != '-')
        return std::nullopt;
    for (std::size_t index = 0; index < 15; ++index) {
        if (index != 8 && !std::isdigit(static_cast<unsigned char>(rest[index])))
            return std::nullopt;
    }
    int number = 1;
    if (rest.size() > 15) {
        if (rest[15] != '-' || rest.size() == 16 || rest.size() > 20)
            return std::nullopt;
        number = 0;
        for (std::size_t index = 16; index < rest.size(); ++index) {
            if (!std::isdigit(static_cast<unsigned char>(rest[index])))
                return std::nullopt;
            number = number * 10 + (rest[index] - '0');
        }
    }
    return std::pair{rest.substr(0, 15), number};
}

bool syncPath(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// The history folder, made private to this user; refused when someone else made it first.
void prepareHistoryFolder(const std::string& folder)
{
    ::mkdir(folder.c_str(), 0700);
    struct stat status { };
    if (::lstat(folder.c_str(), &status) != 0)
        throw SnapshotHistory::Error("cannot make the snapshot history folder " + folder + ": " + std::strerror(errno));
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid())
        throw SnapshotHistory::Error(folder + " is not a folder of this user's");
}

std::string timestampName(std::int64_t secondsSinceEpoch)
{
    return QDateTime::fromSecsSinceEpoch(secondsSinceEpoch, Qt::UTC)
        .toString(QStringLiteral("yyyyMMdd-HHmmss"))
        .toStdString();
}

} // namespace

std::string SnapshotHistory::partialLocation(const std::string& storeLocation)
{
    return storeLocation + ".partial";
}

std::string SnapshotHistory::historyFolder(const std::string& storeLocation)
{
    const std::string folder = folderOf(storeLocation);
    return (folder == "/" ? "" : folder) + "/history";
}

bool SnapshotHistory::isEarlier(const std::string& location)
{
    const std::string folder = folderOf(location);
    return folder == "/history" || folder.ends_with("/history");
}

SnapshotHistory::Snapshot SnapshotHistory::describe(const std::string& location)
{
    Snapshot snapshot;
    snapshot.location = location;
    struct stat status { };
    if (::stat(location.c_str(), &status) == 0)
        snapshot.bytesOnDisk = static_cast<std::int64_t>(status.st_blocks) * 512;
    try {
        auto container
            = VistrelModelContainer::shared().makeContainer(location, VistrelModelContainer::Access::readOnly);
        snapshot.root = SnapshotCompletion::scanRoot(*container);
        snapshot.facts = SnapshotCompletion::scanFacts(*container);
        if (!SnapshotCompletion::isFinished(*container))
            snapshot.problem = SnapshotCompletion::incompleteMessage;
    } catch (const std::exception& error) {
        snapshot.problem = error.what();
    }
    return snapshot;
}

std::vector<SnapshotHistory::Snapshot> SnapshotHistory::earlier(const std::string& storeLocation)
{
    const std::string folder = historyFolder(storeLocation);
    const std::string stem = stemOf(storeLocation);
    std::vector<std::tuple<std::string, int, std::string>> found; // time, number, name
    if (DIR* directory = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(directory)) {
            const std::string name = entry->d_name;
            if (const auto key = historyKey(name, stem))
                found.emplace_back(key->first, key->second, name);
        }
        ::closedir(directory);
    }
    std::sort(found.begin(), found.end(), std::greater<>());
    std::vector<Snapshot> snapshots;
    for (const auto& [time, number, name] : found)
        snapshots.push_back(describe(folder + "/" + name));
    return snapshots;
}

std::vector<SnapshotHistory::Snapshot> SnapshotHistory::list(const std::string& storeLocation)
{
    std::vector<Snapshot> snapshots;
    struct stat status { };
    if (::stat(storeLocation.c_str(), &status) == 0) {
        snapshots.push_back(describe(storeLocation));
        snapshots.back().current = true;
    }
    std::vector<Snapshot> older = earlier(storeLocation);
    std::move(older.begin(), older.end(), std::back_inserter(snapshots));
    return snapshots;
}

void SnapshotHistory::checkReplaceable(const std::string& storeLocation)
{
    struct stat status { };
    if (::lstat(storeLocation.c_str(), &status) != 0 && errno == ENOENT)
        return;
    try {
        VistrelModelContainer::shared().makeContainer(storeLocation, VistrelModelContainer::Access::readOnly);
    } catch (const ModelContainerError& error) {
        // An empty file, or a snapshot whose edit never finished, is replaced like any other.
        if (error.code() != StoreError::Code::failed && !(S_ISREG(status.st_mode) && status.st_size == 0))
            throw;
    }
}

std::optional<std::string> SnapshotHistory::install(const std::string& partial, const std::string& storeLocation,
                                                    int keepCount)
{
    // The scan writes without waiting for the disk; the file must be whole there before a
    // name points at it.
    if (!syncPath(partial, O_RDONLY))
        throw Error("cannot write the snapshot to disk: " + std::string(std::strerror(errno)));
    ::unlink((partial + "-journal").c_str());

    std::string kept;
    std::optional<std::string> notKept;
    struct stat status { };
    if (keepCount > 0 && ::stat(storeLocation.c_str(), &status) == 0) {
        const std::string folder = historyFolder(storeLocation);
        prepareHistoryFolder(folder);
        const Snapshot current = describe(storeLocation);
        const std::int64_t endedAt = current.facts ? current.facts->endedAt : status.st_mtime;
        const std::string base = folder + "/" + stemOf(storeLocation) + "-" + timestampName(endedAt);
        // A link, so that the current name never points at nothing. Where none can be made
        // (another file system mounted there, one without links), the finished scan still
        // replaces the store: a new snapshot matters more than an old one.
        std::string problem = "too many of the same second";
        for (int number = 1; number < 100 && kept.empty(); ++number) {
            const std::string candidate = base + (number == 1 ? "" : "-" + std::to_string(number)) + ".store";
            if (::link(storeLocation.c_str(), candidate.c_str()) == 0)
                kept = candidate;
            else if (errno != EEXIST) {
                problem = std::strerror(errno);
                break;
            }
        }
        if (kept.empty()) {
            notKept = "the previous snapshot could not be kept in " + folder + ": " + problem;
            Log::error(LogCategory::app, *notKept);
        } else
            syncPath(folder, O_RDONLY | O_DIRECTORY);
    }
    // A journal left by an edit that never finished belongs to the file being replaced; SQLite
    // would play it back into the new one.
    const std::string journal = storeLocation + "-journal";
    if (::stat(journal.c_str(), &status) == 0 && status.st_size > 0)
        Log::error(LogCategory::app, "dropping the unfinished edit of the previous snapshot in " + journal);
    ::unlink(journal.c_str());
    if (::rename(partial.c_str(), storeLocation.c_str()) != 0) {
        const int error = errno;
        if (!kept.empty())
            ::unlink(kept.c_str());
        throw Error("cannot replace " + storeLocation + ": " + std::strerror(error));
    }
    syncPath(folderOf(storeLocation), O_RDONLY | O_DIRECTORY);
    rotate(storeLocation, keepCount);
    return notKept;
}

void SnapshotHistory::removeAbandoned(const std::string& storeLocation)
{
    try {
        if (StoreWriterLock::isHeld(storeLocation))
            return;
    } catch (const std::exception&) {
        return; // a lock file that is not one: the store refuses itself with the reason
    }
    const std::string partial = partialLocation(storeLocation);
    struct stat status { };
    if (::lstat(partial.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
        Log::info(LogCategory::app, "removing the unfinished scan " + partial);
        VistrelModelContainer::deleteStoreFile(partial);
    }
}

void SnapshotHistory::rotate(const std::string& storeLocation, int keepCount)
{
    const std::vector<Snapshot> older = earlier(storeLocation);
    for (std::size_t index = static_cast<std::size_t>(std::max(0, keepCount)); index < older.size(); ++index)
        remove(older[index].location);
}

bool SnapshotHistory::remove(const std::string& location)
{
    if (!isEarlier(location)) {
        Log::error(LogCategory::app, "not an earlier snapshot: " + location);
        return false;
    }
    return VistrelModelContainer::deleteStoreFile(location);
}

} // namespace vistrel
