#pragma once

#include <cstdint>

namespace vistrel {

// The messages' plural forms ("1 folder", "2 folders") come from Qt's translations; the
// English ones are built in and installed before any text is shown.
class Translations {
public:
    static void install();
    // The count Qt's plural forms choose by: they take an int, so larger counts are capped.
    static int count(std::int64_t value);
};

} // namespace vistrel
