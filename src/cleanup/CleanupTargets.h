#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vistrel {

// Which items a cleanup may touch, judged by their paths before anything on disk is reached
// (ResolvedItem then reaches them). Paths as the snapshot keeps them: absolute, folders
// ending with '/'.
class CleanupTargets {
public:
    struct Guards {
        std::string scanRoot;
        std::string homeFolder;
        // Folders of snapshot stores (the per-user one): neither they, nothing in them,
        // nor any folder above them is removed.
        std::vector<std::string> storeFolders;
        // Store files kept elsewhere: the file, its companions, the history folder beside
        // it and every folder above them are refused.
        std::vector<std::string> storeFiles;
    };

    // Why `path` may not be removed, or none: "/", the scan root, the home folder and every
    // folder above it, the store folders and anything outside the snapshot's root.
    static std::optional<std::string> refusal(const std::string& path, const Guards& guards);
};

} // namespace vistrel
