#include "CleanupTargets.h"

#include "filesystem/FileUrl.h"

namespace vistrel {

namespace {

bool within(const std::string& folder, const std::string& outer)
{
    return folder.compare(0, outer.size(), outer) == 0;
}

} // namespace

std::optional<std::string> CleanupTargets::refusal(const std::string& path, const Guards& guards)
{
    const std::string folder = FileUrl::directory(path).path();
    if (path.empty() || path.front() != '/' || folder.find("/../") != std::string::npos
        || folder.find("/./") != std::string::npos || folder.find("//") != std::string::npos)
        return "it is not a plain absolute path";
    if (folder == "/")
        return "it is the root of every folder";
    const std::string root = FileUrl::directory(guards.scanRoot).path();
    if (folder == root)
        return "it is the scanned folder itself";
    if (!within(folder, root))
        return "it is not in this snapshot";
    if (!guards.homeFolder.empty()) {
        const std::string home = FileUrl::directory(guards.homeFolder).path();
        if (folder == home)
            return "it is your home folder";
        if (within(home, folder))
            return "it holds your home folder";
    }
    for (const std::string& store : guards.storeFolders) {
        if (store.empty())
            continue;
        const std::string kept = FileUrl::directory(store).path();
        if (within(folder, kept))
            return "it is part of Vistrel's snapshot store";
        if (within(kept, folder))
            return "it holds Vistrel's snapshot store";
    }
    for (const std::string& store : guards.storeFiles) {
        const std::size_t slash = store.rfind('/');
        if (store.empty() || slash == std::string::npos)
            continue;
        const std::string history = store.substr(0, slash + 1) + "history/";
        if (within(folder, history))
            return "it is part of Vistrel's snapshot history";
        if (within(history, folder))
            return "it holds Vistrel's snapshot store";
        if (path.compare(0, store.size(), store) == 0)
            return "it is Vistrel's snapshot store";
    }
    return std::nullopt;
}

} // namespace vistrel
