#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vistrel {

// The entries of one directory fd, read with getdents64 into one reusable buffer
// (no allocation per entry). Every entry but "." and "..", hidden ones included,
// in the order the kernel returns them.
class DirectoryListing {
public:
    struct Entry {
        std::string_view name; // points into the listing's buffer
        unsigned char type; // d_type: DT_DIR, DT_REG, ..., DT_UNKNOWN
    };

    // Replaces the current entries. Returns 0, or the errno of the failed read.
    int read(int directoryFd);

    const std::vector<Entry>& entries() const { return entries_; }
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

private:
    std::vector<char> buffer_;
    std::vector<Entry> entries_;
};

} // namespace vistrel
