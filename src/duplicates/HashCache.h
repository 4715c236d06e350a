#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace vistrel {

// The content hashes of files already read, kept in a file beside the snapshot, so that a
// second search reads only what changed. An entry stands for one file as it was when read:
// device, inode, size and modification time; any change of them and it is read again.
class HashCache {
public:
    struct Key {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedSeconds = 0;
        std::int64_t modifiedNanoseconds = 0;
        std::int64_t length = 0; // of the part hashed: the head or the whole file
        bool operator==(const Key&) const = default;
    };
    using Hash = std::pair<std::uint64_t, std::uint64_t>;

    // Takes the entries in `path`; none when it is missing, damaged or of another format
    // (nothing is trusted from such a file, and the next save replaces it).
    void load(const std::string& path);
    // Written beside and renamed over, so that a reader never meets half a file; false when
    // it could not be written (the search's results stand all the same).
    bool save(const std::string& path) const;

    // Thread-safe.
    std::optional<Hash> find(const Key& key) const;
    void remember(const Key& key, const Hash& hash);
    std::size_t size() const;

private:
    struct KeyHash {
        std::size_t operator()(const Key& key) const noexcept;
    };
    mutable std::mutex mutex_;
    std::unordered_map<Key, Hash, KeyHash> entries_;
};

} // namespace vistrel
