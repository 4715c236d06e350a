#pragma once

#include <string>

namespace vistrel {

// Owns one directory fd opened with O_DIRECTORY | O_NOFOLLOW; closes it on destruction.
class DirectoryHandle {
public:
    DirectoryHandle() = default;
    explicit DirectoryHandle(int fd)
        : fd_(fd)
    {
    }
    ~DirectoryHandle();
    DirectoryHandle(DirectoryHandle&& other) noexcept;
    DirectoryHandle& operator=(DirectoryHandle&& other) noexcept;
    DirectoryHandle(const DirectoryHandle&) = delete;
    DirectoryHandle& operator=(const DirectoryHandle&) = delete;

    // Relative to parentFd (AT_FDCWD for a path). Returns an invalid handle and sets
    // *errorNumber on failure.
    static DirectoryHandle openAt(int parentFd, const char* name, int* errorNumber = nullptr);
    // Any absolute path, also one longer than PATH_MAX (opened component by component).
    static DirectoryHandle openPath(const std::string& path, int* errorNumber = nullptr);

    // The same for a directory about to be listed by a scan, which must leave no trace: with
    // O_NOATIME where the kernel allows it (the owner, or a process with CAP_FOWNER), so that
    // listing it does not change its access date. `owned` says the caller's user owns it.
    static DirectoryHandle openForListingAt(int parentFd, const char* name, bool owned, int* errorNumber = nullptr);
    static DirectoryHandle openPathForListing(const std::string& path, int* errorNumber = nullptr);
    // The directory holding the last component of `path`, and that component's name in
    // *lastName ("." for "/" itself). Symbolic links are followed on the way, never at the end.
    static DirectoryHandle openContaining(const std::string& path, std::string* lastName, int* errorNumber = nullptr);

    bool isValid() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void close();

private:
    int fd_ = -1;
};

} // namespace vistrel
