#include "DirectoryHandle.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace vistrel {

namespace {

constexpr int directoryFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

void setError(int* errorNumber, int value)
{
    if (errorNumber)
        *errorNumber = value;
}

// Opens an absolute directory path of any length: pieces shorter than PATH_MAX are opened
// one after the other, each relative to the one before. Links on the way are followed.
int openLongDirectory(const std::string& path, int* errorNumber)
{
    if (path.empty() || path.front() != '/') {
        setError(errorNumber, EINVAL);
        return -1;
    }
    if (path.size() < PATH_MAX) {
        const int fd = ::open(path.c_str(), directoryFlags);
        if (fd < 0)
            setError(errorNumber, errno);
        return fd;
    }
    int fd = ::open("/", directoryFlags);
    std::size_t start = 1;
    while (fd >= 0 && start < path.size()) {
        std::size_t end = std::min(path.size(), start + PATH_MAX / 2);
        if (end < path.size()) {
            const auto slash = path.rfind('/', end);
            if (slash == std::string::npos || slash <= start) {
                ::close(fd);
                setError(errorNumber, ENAMETOOLONG);
                return -1;
            }
            end = slash;
        }
        const std::string piece = path.substr(start, end - start);
        const int next = piece.empty() ? ::dup(fd) : ::openat(fd, piece.c_str(), directoryFlags);
        const int savedErrno = errno;
        ::close(fd);
        fd = next;
        if (fd < 0)
            setError(errorNumber, savedErrno);
        start = end + 1;
    }
    if (fd < 0 && errorNumber && *errorNumber == 0)
        setError(errorNumber, errno);
    return fd;
}

} // namespace

DirectoryHandle::~DirectoryHandle()
{
    close();
}

DirectoryHandle::DirectoryHandle(DirectoryHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1))
{
}

DirectoryHandle& DirectoryHandle::operator=(DirectoryHandle&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void DirectoryHandle::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

DirectoryHandle DirectoryHandle::openAt(int parentFd, const char* name, int* errorNumber)
{
    const int fd = ::openat(parentFd, name, directoryFlags | O_NOFOLLOW);
    if (fd < 0)
        setError(errorNumber, errno);
    return DirectoryHandle(fd);
}

namespace {

// Whether O_NOATIME may work for directories this user does not own: root usually has
// CAP_FOWNER; if it does not (a user namespace), the first EPERM turns it off.
std::atomic<bool>& privilegedNoAccessTime()
{
    static std::atomic<bool> privileged{::geteuid() == 0};
    return privileged;
}

} // namespace

DirectoryHandle DirectoryHandle::openForListingAt(int parentFd, const char* name, bool owned, int* errorNumber)
{
    if (owned || privilegedNoAccessTime().load(std::memory_order_relaxed)) {
        const int fd = ::openat(parentFd, name, directoryFlags | O_NOFOLLOW | O_NOATIME);
        if (fd >= 0)
            return DirectoryHandle(fd);
        if (errno != EPERM) {
            setError(errorNumber, errno);
            return {};
        }
        if (!owned)
            privilegedNoAccessTime().store(false, std::memory_order_relaxed);
    }
    return openAt(parentFd, name, errorNumber);
}

DirectoryHandle DirectoryHandle::openPathForListing(const std::string& path, int* errorNumber)
{
    std::string name;
    DirectoryHandle parent = openContaining(path, &name, errorNumber);
    if (!parent.isValid())
        return {};
    // One directory: trying costs one call, so the owner is not looked up first.
    const int fd = ::openat(parent.fd(), name.c_str(), directoryFlags | O_NOFOLLOW | O_NOATIME);
    if (fd >= 0)
        return DirectoryHandle(fd);
    return openPath(path, errorNumber);
}

DirectoryHandle DirectoryHandle::openContaining(const std::string& path, std::string* lastName, int* errorNumber)
{
    setError(errorNumber, 0);
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    if (trimmed.empty() || trimmed.front() != '/') {
        setError(errorNumber, EINVAL);
        return {};
    }
    if (trimmed == "/") {
        lastName->assign(1, '.'); // assign(".") trips a false -Wrestrict in GCC 12
        return DirectoryHandle(openLongDirectory("/", errorNumber));
    }
    const auto slash = trimmed.rfind('/');
    *lastName = trimmed.substr(slash + 1);
    return DirectoryHandle(openLongDirectory(slash == 0 ? "/" : trimmed.substr(0, slash), errorNumber));
}

DirectoryHandle DirectoryHandle::openPath(const std::string& path, int* errorNumber)
{
    std::string name;
    DirectoryHandle parent = openContaining(path, &name, errorNumber);
    if (!parent.isValid())
        return {};
    if (name == ".") {
        return parent;
    }
    return openAt(parent.fd(), name.c_str(), errorNumber);
}

} // namespace vistrel
