#pragma once

#include "HashCache.h"

#include "store/DuplicateCandidates.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace vistrel {

// Copies among a snapshot's files of one size, told by their contents: a small block of each
// first, then the whole content only of those whose blocks still match, hashed with XXH3-128.
// Hard links of one file are one file, not copies. Reads files in parallel; changes nothing.
class DuplicateFinder {
public:
    struct Group {
        std::int64_t size = 0; // of each copy (for folders, of the files each holds)
        std::vector<std::string> paths; // two or more, in path order
        bool folders = false; // copies of whole folders (their paths end with '/')
        std::int64_t wasted() const { return size * static_cast<std::int64_t>(paths.size() - 1); }
    };

    // Bytes read of the bytes to read; the second grows when whole contents must be read.
    struct Progress {
        std::atomic<std::int64_t> bytesRead{0};
        std::atomic<std::int64_t> bytesToRead{0};
    };

    static constexpr std::int64_t headBytes = 4096;

    // The groups, the ones that waste most first. A file that cannot be read, is no longer a
    // regular file of the size the snapshot says, or is reached through a link, is left out.
    // Stops early, with what it found, when `cancelled` turns true.
    // With a cache, a file unchanged since its hash was kept is not read again.
    static std::vector<Group> find(const std::vector<DuplicateCandidates::SizeGroup>& candidates,
                                   Progress* progress = nullptr, const std::atomic<bool>* cancelled = nullptr,
                                   HashCache* cache = nullptr);
    // The ones that waste most first, then by their first path.
    static void sortByWaste(std::vector<Group>& groups);
};

} // namespace vistrel
