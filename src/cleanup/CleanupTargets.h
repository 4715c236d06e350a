#pragma once

#include <optional>
#include <string>

namespace vistrel {

// Which items a cleanup may touch. Paths as the snapshot keeps them: absolute, folders
// ending with '/'.
class CleanupTargets {
public:
    // Why `path` may not be removed, or none: "/", the scan root, the home folder itself and
    // anything outside the snapshot's root are refused.
    static std::optional<std::string> refusal(const std::string& path, const std::string& scanRoot,
                                              const std::string& homeFolder);
};

} // namespace vistrel
