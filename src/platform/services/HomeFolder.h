#pragma once

#include <string>

namespace vistrel {

// The user's home folder as bytes: $HOME when it is absolute, else the password database's
// entry; empty when neither says. No trailing '/'.
class HomeFolder {
public:
    static std::string path();
};

} // namespace vistrel
