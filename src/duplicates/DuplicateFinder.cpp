#include "DuplicateFinder.h"

#include "filesystem/DirectoryHandle.h"

#include <tbb/parallel_for_each.h>
#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

using Hash = HashCache::Hash;
using Identity = std::pair<dev_t, ino_t>;

// A descriptor closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd)
        : fd_(fd)
    {
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int fd() const { return fd_; }

private:
    int fd_;
};

// A candidate opened by its bytes (a path beyond PATH_MAX through its directory's descriptor),
// never through a link, without waiting on a fifo; -1 unless a regular file of `size`.
int openRegular(const std::string& path, std::int64_t size, struct stat* status)
{
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    // Reading is no use of the file: its access time stays where the owner allows it.
    const auto openAt = [flags](int directory, const char* name) {
        const int fd = ::openat(directory, name, flags | O_NOATIME);
        return fd < 0 && errno == EPERM ? ::openat(directory, name, flags) : fd;
    };
    int fd = -1;
    if (path.size() < PATH_MAX) {
        fd = openAt(AT_FDCWD, path.c_str());
    } else {
        std::string name;
        const DirectoryHandle directory = DirectoryHandle::openContaining(path, &name);
        if (!directory.isValid())
            return -1;
        fd = openAt(directory.fd(), name.c_str());
    }
    if (fd < 0)
        return -1;
    if (::fstat(fd, status) != 0 || !S_ISREG(status->st_mode) || status->st_size != size) {
        ::close(fd);
        return -1;
    }
    return fd;
}

Identity identityOf(const struct stat& status)
{
    return {status.st_dev, status.st_ino};
}

// Where the data after `offset` begins, below `length`: holes of a sparse file read as zeros
// that need no read. `offset` itself where the file system cannot say.
std::int64_t nextData(int fd, std::int64_t offset, std::int64_t length)
{
    const off_t data = ::lseek(fd, offset, SEEK_DATA);
    if (data >= 0)
        return std::min<std::int64_t>(data, length);
    return errno == ENXIO ? length : offset;
}

// The end of the data that begins at `offset`, below `length`.
std::int64_t dataEnd(int fd, std::int64_t offset, std::int64_t length)
{
    const off_t hole = ::lseek(fd, offset, SEEK_HOLE);
    return hole > offset ? std::min<std::int64_t>(hole, length) : length;
}

// XXH3-128 of the first `length` bytes; empty when they cannot all be read. A hole hashes as
// the zeros it reads as, without reading them.
std::optional<Hash> hashOf(int fd, std::int64_t length, DuplicateFinder::Progress* progress)
{
    std::unique_ptr<XXH3_state_t, XXH_errorcode (*)(XXH3_state_t*)> state(XXH3_createState(), XXH3_freeState);
    if (!state || XXH3_128bits_reset(state.get()) != XXH_OK)
        return std::nullopt;
    const bool whole = length > DuplicateFinder::headBytes;
    // Whole files are read front to back once: the kernel may read ahead and drop behind.
    if (whole)
        ::posix_fadvise(fd, 0, length, POSIX_FADV_SEQUENTIAL);
    static const std::vector<char> zeros(1 << 20, '\0');
    std::vector<char> buffer(static_cast<std::size_t>(std::min<std::int64_t>(length, 1 << 20)));
    std::int64_t offset = 0;
    while (offset < length) {
        const std::int64_t data = whole ? nextData(fd, offset, length) : offset;
        while (offset < data) {
            const auto count = static_cast<std::size_t>(std::min<std::int64_t>(data - offset, zeros.size()));
            XXH3_128bits_update(state.get(), zeros.data(), count);
            offset += static_cast<std::int64_t>(count);
            if (progress)
                progress->bytesRead += static_cast<std::int64_t>(count);
        }
        const std::int64_t end = whole ? dataEnd(fd, offset, length) : length;
        while (offset < end) {
            const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(end - offset, buffer.size()));
            const ssize_t got = ::pread(fd, buffer.data(), wanted, offset);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                // What is left of it will never be read.
                if (progress)
                    progress->bytesToRead -= length - offset;
                return std::nullopt;
            }
            XXH3_128bits_update(state.get(), buffer.data(), static_cast<std::size_t>(got));
            offset += got;
            if (progress)
                progress->bytesRead += got;
        }
    }
    // A file cut short while it was read would pass its lost end off as a hole.
    struct stat status { };
    if (whole && (::fstat(fd, &status) != 0 || status.st_size != length))
        return std::nullopt;
    const XXH128_hash_t digest = XXH3_128bits_digest(state.get());
    return Hash{digest.high64, digest.low64};
}

// A candidate's status, links not followed; false unless a regular file of `size`. Short
// paths are looked at without opening the file.
bool statusOf(const std::string& path, std::int64_t size, struct stat* status)
{
    if (path.size() >= PATH_MAX) {
        const Descriptor file(openRegular(path, size, status));
        return file.fd() >= 0;
    }
    return ::fstatat(AT_FDCWD, path.c_str(), status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status->st_mode)
        && status->st_size == size;
}

// The first `length` bytes' hash of the file `seen` describes: from the cache when it has not
// changed since, else read, from the file only while it is still that one.
std::optional<Hash> contentHash(const std::string& path, const struct stat& seen, std::int64_t length,
                                DuplicateFinder::Progress* progress, HashCache* cache)
{
    const HashCache::Key key{seen.st_dev, seen.st_ino, seen.st_size, seen.st_mtim.tv_sec, seen.st_mtim.tv_nsec, length};
    if (cache) {
        if (const auto known = cache->find(key)) {
            if (progress)
                progress->bytesToRead -= length;
            return *known;
        }
    }
    struct stat status { };
    const Descriptor file(openRegular(path, seen.st_size, &status));
    if (file.fd() < 0 || identityOf(status) != identityOf(seen) || status.st_mtim.tv_sec != seen.st_mtim.tv_sec
        || status.st_mtim.tv_nsec != seen.st_mtim.tv_nsec) {
        if (progress)
            progress->bytesToRead -= length;
        return std::nullopt;
    }
    const auto hash = hashOf(file.fd(), length, progress);
    if (hash && cache)
        cache->remember(key, *hash);
    return hash;
}

struct Candidate {
    std::string path;
    Identity identity;
};

// The candidates whose first `length` bytes hash alike, in groups of two or more. Each is
// opened only while it is read (a large group would run out of descriptors); one that is no
// longer the file first met is left out.
std::vector<std::vector<Candidate>> splitByHash(std::vector<Candidate> candidates, std::int64_t size,
                                                std::int64_t length, DuplicateFinder::Progress* progress,
                                                HashCache* cache)
{
    std::map<Hash, std::vector<Candidate>> byHash;
    for (Candidate& candidate : candidates) {
        struct stat status { };
        if (!statusOf(candidate.path, size, &status) || identityOf(status) != candidate.identity) {
            if (progress)
                progress->bytesToRead -= length;
            continue;
        }
        if (const auto hash = contentHash(candidate.path, status, length, progress, cache))
            byHash[*hash].push_back(std::move(candidate));
    }
    std::vector<std::vector<Candidate>> groups;
    for (auto& [hash, members] : byHash)
        if (members.size() > 1)
            groups.push_back(std::move(members));
    return groups;
}

// The copies among the files of one size: their first block hashed as they are first met,
// the whole of those whose blocks agree read again.
std::vector<DuplicateFinder::Group> findInSize(const DuplicateCandidates::SizeGroup& sizeGroup,
                                               DuplicateFinder::Progress* progress, const std::atomic<bool>* cancelled,
                                               HashCache* cache)
{
    const std::int64_t head = std::min(sizeGroup.size, DuplicateFinder::headBytes);
    std::map<Hash, std::vector<Candidate>> byHead;
    std::set<Identity> seen;
    for (const std::string& path : sizeGroup.paths) {
        struct stat status { };
        // A second name of a file already met is the same file, not a copy of it.
        if (!statusOf(path, sizeGroup.size, &status) || !seen.insert(identityOf(status)).second) {
            if (progress)
                progress->bytesToRead -= head;
            continue;
        }
        if (const auto hash = contentHash(path, status, head, progress, cache))
            byHead[*hash].push_back({path, identityOf(status)});
    }
    std::vector<DuplicateFinder::Group> found;
    for (auto& [hash, sameHead] : byHead) {
        if (sameHead.size() < 2)
            continue;
        if (cancelled && *cancelled)
            break;
        std::vector<std::vector<Candidate>> same;
        if (sizeGroup.size > head) {
            if (progress)
                progress->bytesToRead += sizeGroup.size * static_cast<std::int64_t>(sameHead.size());
            same = splitByHash(std::move(sameHead), sizeGroup.size, sizeGroup.size, progress, cache);
        } else {
            same.push_back(std::move(sameHead));
        }
        for (const auto& members : same) {
            DuplicateFinder::Group group;
            group.size = sizeGroup.size;
            for (const Candidate& member : members)
                group.paths.push_back(member.path);
            std::sort(group.paths.begin(), group.paths.end());
            found.push_back(std::move(group));
        }
    }
    return found;
}

} // namespace

std::vector<DuplicateFinder::Group> DuplicateFinder::find(const std::vector<DuplicateCandidates::SizeGroup>& candidates,
                                                          Progress* progress, const std::atomic<bool>* cancelled,
                                                          HashCache* cache)
{
    if (progress)
        for (const auto& group : candidates)
            progress->bytesToRead += std::min(group.size, headBytes) * static_cast<std::int64_t>(group.paths.size());
    std::mutex mutex;
    std::vector<Group> groups;
    tbb::parallel_for_each(candidates.begin(), candidates.end(), [&](const DuplicateCandidates::SizeGroup& sizeGroup) {
        if (cancelled && *cancelled)
            return;
        auto found = findInSize(sizeGroup, progress, cancelled, cache);
        std::lock_guard lock(mutex);
        std::move(found.begin(), found.end(), std::back_inserter(groups));
    });
    sortByWaste(groups);
    return groups;
}

void DuplicateFinder::sortByWaste(std::vector<Group>& groups)
{
    std::sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
        if (a.wasted() != b.wasted())
            return a.wasted() > b.wasted();
        return a.paths.front() < b.paths.front();
    });
}

} // namespace vistrel
