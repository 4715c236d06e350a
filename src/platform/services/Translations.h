#pragma once

namespace vistrel {

// The messages' plural forms ("1 folder", "2 folders") come from Qt's translations; the
// English ones are built in and installed before any text is shown.
class Translations {
public:
    static void install();
};

} // namespace vistrel
