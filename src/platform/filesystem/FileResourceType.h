#pragma once

namespace vistrel {

// The resource type the metadata service reports for an item (from st_mode).
enum class FileResourceType {
    unknown,
    namedPipe,
    characterSpecial,
    blockSpecial,
    symbolicLink,
    socket,
    regular,
    directory,
};

FileResourceType fileResourceTypeFromMode(unsigned mode);

} // namespace vistrel
