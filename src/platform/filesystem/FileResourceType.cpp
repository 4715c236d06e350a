#include "FileResourceType.h"

#include <sys/stat.h>

namespace vistrel {

FileResourceType fileResourceTypeFromMode(unsigned mode)
{
    switch (mode & S_IFMT) {
    case S_IFIFO:
        return FileResourceType::namedPipe;
    case S_IFCHR:
        return FileResourceType::characterSpecial;
    case S_IFBLK:
        return FileResourceType::blockSpecial;
    case S_IFLNK:
        return FileResourceType::symbolicLink;
    case S_IFSOCK:
        return FileResourceType::socket;
    case S_IFREG:
        return FileResourceType::regular;
    case S_IFDIR:
        return FileResourceType::directory;
    default:
        return FileResourceType::unknown;
    }
}

} // namespace vistrel
