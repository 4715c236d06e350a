#pragma once

#include <cstdint>
#include <string_view>

namespace vistrel {

// What kind of file an item is, for the map's colours and the types list: decided from the
// name's extension by one table (the common types of shared-mime-info), so that millions of
// files are sorted without reading one.
class FileTypeCategory {
public:
    enum Category {
        images,
        video,
        audio,
        archives, // and disk images
        documents,
        sourceCode,
        executables, // and libraries
        packages,
        databases, // and virtual machine images
        logs,
        other,
        count_
    };

    static Category ofName(std::string_view name);
    // "images", "sourceCode", …: for scripts.
    static const char* key(Category category);
    // "Images", "Archives and disk images", …
    static const char* label(Category category);
    // 0xRRGGBB for a light or a dark window.
    static std::uint32_t colour(Category category, bool dark);
};

} // namespace vistrel
