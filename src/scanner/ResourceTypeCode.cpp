#include "ResourceTypeCode.h"

namespace vistrel::ResourceTypeCode {

std::optional<std::uint8_t> code(FileResourceType type)
{
    switch (type) {
    case FileResourceType::unknown:
        return 0;
    case FileResourceType::namedPipe:
        return 1;
    case FileResourceType::characterSpecial:
        return 2;
    case FileResourceType::blockSpecial:
        return 4;
    case FileResourceType::symbolicLink:
        return 6;
    case FileResourceType::socket:
        return 7;
    case FileResourceType::regular:
        return regular;
    case FileResourceType::directory:
        return directory;
    }
    return std::nullopt;
}

std::optional<FileResourceType> type(std::uint8_t code)
{
    switch (code) {
    case 0:
        return FileResourceType::unknown;
    case 1:
        return FileResourceType::namedPipe;
    case 2:
        return FileResourceType::characterSpecial;
    case 4:
        return FileResourceType::blockSpecial;
    case 6:
        return FileResourceType::symbolicLink;
    case 7:
        return FileResourceType::socket;
    case regular:
        return FileResourceType::regular;
    case directory:
        return FileResourceType::directory;
    default:
        return std::nullopt;
    }
}

} // namespace vistrel::ResourceTypeCode
