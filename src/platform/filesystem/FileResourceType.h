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
// "namedPipe", "regular", "directory": the enumerator's own name.
const char* fileResourceTypeName(FileResourceType type);

} // namespace vistrel
