#include "HashCache.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vistrel {

namespace {

// "VSTHASH1", then fixed records of eight 64-bit fields in the machine's order.
constexpr char magic[8] = {'V', 'S', 'T', 'H', 'A', 'S', 'H', '1'};
constexpr std::size_t fields = 8;
constexpr std::size_t recordBytes = fields * sizeof(std::uint64_t);
// Far more than any tree holds: a larger file is not read into memory.
constexpr off_t largestFile = off_t{1} << 32;

} // namespace

std::size_t HashCache::KeyHash::operator()(const Key& key) const noexcept
{
    std::size_t value = std::hash<std::uint64_t>()(key.inode);
    for (const std::uint64_t part :
         {key.device, static_cast<std::uint64_t>(key.size), static_cast<std::uint64_t>(key.modifiedSeconds),
          static_cast<std::uint64_t>(key.modifiedNanoseconds), static_cast<std::uint64_t>(key.length)})
        value = value * 1000003u ^ std::hash<std::uint64_t>()(part);
    return value;
}

void HashCache::load(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat status { };
    std::vector<char> bytes;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size <= largestFile
        && status.st_size >= static_cast<off_t>(sizeof magic)
        && (status.st_size - static_cast<off_t>(sizeof magic)) % static_cast<off_t>(recordBytes) == 0) {
        bytes.resize(static_cast<std::size_t>(status.st_size));
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (got <= 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        if (done != bytes.size())
            bytes.clear();
    }
    ::close(fd);
    if (bytes.size() < sizeof magic || std::memcmp(bytes.data(), magic, sizeof magic) != 0)
        return;
    std::lock_guard lock(mutex_);
    for (std::size_t at = sizeof magic; at + recordBytes <= bytes.size(); at += recordBytes) {
        std::uint64_t record[fields];
        std::memcpy(record, bytes.data() + at, recordBytes);
        const Key key{record[0],
                      record[1],
                      static_cast<std::int64_t>(record[2]),
                      static_cast<std::int64_t>(record[3]),
                      static_cast<std::int64_t>(record[4]),
                      static_cast<std::int64_t>(record[5])};
        entries_[key] = {record[6], record[7]};
    }
}

bool HashCache::save(const std::string& path) const
{
    std::vector<char> bytes(magic, magic + sizeof magic);
    {
        std::lock_guard lock(mutex_);
        bytes.reserve(sizeof magic + entries_.size() * recordBytes);
        for (const auto& [key, hash] : entries_) {
            const std::uint64_t record[fields] = {key.device,
                                                  key.inode,
                                                  static_cast<std::uint64_t>(key.size),
                                                  static_cast<std::uint64_t>(key.modifiedSeconds),
                                                  static_cast<std::uint64_t>(key.modifiedNanoseconds),
                                                  static_cast<std::uint64_t>(key.length),
                                                  hash.first,
                                                  hash.second};
            const char* start = reinterpret_cast<const char*>(record);
            bytes.insert(bytes.end(), start, start + recordBytes);
        }
    }
    const std::string partial = path + ".partial";
    const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote <= 0)
            break;
        done += static_cast<std::size_t>(wrote);
    }
    const bool written = done == bytes.size() && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || ::rename(partial.c_str(), path.c_str()) != 0) {
        ::unlink(partial.c_str());
        return false;
    }
    return true;
}

std::optional<HashCache::Hash> HashCache::find(const Key& key) const
{
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(key);
    if (found == entries_.end())
        return std::nullopt;
    return found->second;
}

void HashCache::remember(const Key& key, const Hash& hash)
{
    std::lock_guard lock(mutex_);
    entries_[key] = hash;
}

std::size_t HashCache::size() const
{
    std::lock_guard lock(mutex_);
    return entries_.size();
}

} // namespace vistrel
