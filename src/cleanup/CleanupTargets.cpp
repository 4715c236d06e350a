#include "CleanupTargets.h"

namespace vistrel {

namespace {

// Both as folders, so that "/home/ann" and "/home/ann/" compare equal and "/home/anne/" is
// not inside "/home/ann/".
std::string asFolder(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

} // namespace

std::optional<std::string> CleanupTargets::refusal(const std::string& path, const std::string& scanRoot,
                                                   const std::string& homeFolder)
{
    const std::string folder = asFolder(path);
    if (path.empty() || path.front() != '/' || folder.find("/../") != std::string::npos
        || folder.find("/./") != std::string::npos)
        return "it is not a plain absolute path";
    if (folder == "/")
        return "it is the root of every folder";
    const std::string root = asFolder(scanRoot);
    if (folder == root)
        return "it is the scanned folder itself";
    if (folder.compare(0, root.size(), root) != 0)
        return "it is not in this snapshot";
    if (!homeFolder.empty() && folder == asFolder(homeFolder))
        return "it is your home folder";
    return std::nullopt;
}

} // namespace vistrel
