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

const char* fileResourceTypeName(FileResourceType type)
{
    switch (type) {
    case FileResourceType::namedPipe:
        return "namedPipe";
    case FileResourceType::characterSpecial:
        return "characterSpecial";
    case FileResourceType::blockSpecial:
        return "blockSpecial";
    case FileResourceType::symbolicLink:
        return "symbolicLink";
    case FileResourceType::socket:
        return "socket";
    case FileResourceType::regular:
        return "regular";
    case FileResourceType::directory:
        return "directory";
    case FileResourceType::unknown:
        break;
    }
    return "unknown";
}

} // namespace vistrel
