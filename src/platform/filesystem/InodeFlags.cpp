#include "InodeFlags.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vistrel {

InodeFlags InodeFlags::read(int directoryFd, const std::string& name, const FileStatus& status)
{
    InodeFlags result;
    // Opening a fifo or a device could block or act on hardware; links have no flags.
    const FileResourceType type = status.resourceType();
    if (type != FileResourceType::regular && type != FileResourceType::directory)
        return result;
    const int fd = ::openat(directoryFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return result;
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        result.immutable = (flags & FS_IMMUTABLE_FL) != 0;
        result.appendOnly = (flags & FS_APPEND_FL) != 0;
    }
    int version = 0;
    if (::ioctl(fd, FS_IOC_GETVERSION, &version) == 0)
        result.generation = static_cast<unsigned>(version);
    ::close(fd);
    return result;
}

} // namespace vistrel
