#pragma once

#include <string>

namespace vistrel {

// The writer lock of a store file: an exclusive flock on its companion "<store>.lock", held
// by whoever writes the store or the file that is to replace it. A file of its own, because
// closing any descriptor of the database file would drop the locks SQLite holds on it.
class StoreWriterLock {
public:
    StoreWriterLock() = default;
    ~StoreWriterLock() { release(); }
    StoreWriterLock(StoreWriterLock&& other) noexcept;
    StoreWriterLock& operator=(StoreWriterLock&& other) noexcept;
    StoreWriterLock(const StoreWriterLock&) = delete;
    StoreWriterLock& operator=(const StoreWriterLock&) = delete;

    // Without waiting. Throws StoreError: busy while another holds it, cannotOpen when the
    // lock file cannot be made or is not a regular file.
    static StoreWriterLock acquire(const std::string& storeLocation);
    // Whether a writer holds it now; readers look and never take it. Throws StoreError
    // (cannotOpen) when the lock file is not a regular file.
    static bool isHeld(const std::string& storeLocation);
    static std::string location(const std::string& storeLocation) { return storeLocation + ".lock"; }

    bool held() const { return fd_ >= 0; }
    void release();

private:
    int fd_ = -1;
};

} // namespace vistrel
