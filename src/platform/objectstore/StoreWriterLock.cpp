#include "StoreWriterLock.h"

#include "StoreError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vistrel {

namespace {

// Opened without waiting, and only when it is a regular file (it may have been replaced since
// it was looked at); -1 with errno when it cannot be opened.
int openLockFile(const std::string& lockPath, int flags)
{
    const int fd = ::open(lockPath.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
    if (fd < 0)
        return -1;
    struct stat status { };
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        throw StoreError(StoreError::Code::cannotOpen,
                         lockPath + " is not a regular file; remove it to use the snapshot store");
    }
    return fd;
}

} // namespace

StoreWriterLock::StoreWriterLock(StoreWriterLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1))
{
}

StoreWriterLock& StoreWriterLock::operator=(StoreWriterLock&& other) noexcept
{
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

StoreWriterLock StoreWriterLock::acquire(const std::string& storeLocation)
{
    const std::string lockPath = location(storeLocation);
    StoreWriterLock lock;
    lock.fd_ = openLockFile(lockPath, O_RDWR | O_CREAT);
    if (lock.fd_ < 0)
        throw StoreError(StoreError::Code::cannotOpen, "cannot open " + lockPath + ": " + std::strerror(errno));
    if (::flock(lock.fd_, LOCK_EX | LOCK_NB) != 0)
        throw StoreError(StoreError::Code::busy, "another scan is writing the snapshot store " + storeLocation);
    return lock;
}

bool StoreWriterLock::isHeld(const std::string& storeLocation)
{
    const int fd = openLockFile(location(storeLocation), O_RDONLY);
    if (fd < 0)
        return false;
    const bool busy = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return busy;
}

void StoreWriterLock::release()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

} // namespace vistrel
