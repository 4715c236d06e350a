#include "DuplicateFolders.h"

#include "filesystem/FileUrl.h"

#include <xxhash.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>

namespace vistrel {

namespace {

using Signature = std::pair<std::uint64_t, std::uint64_t>;

struct Folder {
    std::vector<std::string> children; // paths
    std::optional<Signature> signature; // none: no copy of anything
    std::int64_t size = 0; // of the files below it
    std::size_t depth = 0;
};

std::string parentOf(const std::string& path)
{
    return FileUrl(path).parentDirectory().path();
}

bool isFolder(const std::string& path)
{
    return !path.empty() && path.back() == '/';
}

// Folders by path, each with its children, the root's own children included.
std::unordered_map<std::string, Folder> foldersOf(const std::vector<std::string>& items)
{
    std::unordered_map<std::string, Folder> folders;
    for (const std::string& item : items) {
        if (isFolder(item)) {
            Folder& folder = folders[item];
            folder.depth = static_cast<std::size_t>(FileUrl(item).pathComponentCount());
        }
        folders[parentOf(item)].children.push_back(item);
    }
    return folders;
}

// The signature of each folder, deepest first: the hash of its sorted children's names with
// their copy group or folder signature. A child that is no copy makes the folder none.
void sign(std::unordered_map<std::string, Folder>& folders, const std::unordered_map<std::string, std::size_t>& groupOf,
          const std::vector<DuplicateFinder::Group>& files)
{
    std::vector<std::pair<std::size_t, std::string>> order;
    for (const auto& [path, folder] : folders)
        order.emplace_back(folder.depth, path);
    std::sort(order.begin(), order.end(), std::greater<>());
    for (const auto& [depth, path] : order) {
        Folder& folder = folders[path];
        std::vector<std::string> entries;
        bool copy = true;
        std::int64_t size = 0;
        bool holdsFiles = false;
        for (const std::string& child : folder.children) {
            std::string entry(FileUrl::lastPathComponent(child));
            entry += '\0';
            if (isFolder(child)) {
                const Folder& inner = folders.at(child);
                if (!inner.signature) {
                    copy = false;
                    break;
                }
                entry += 'd';
                entry.append(reinterpret_cast<const char*>(&*inner.signature), sizeof(Signature));
                size += inner.size;
                holdsFiles = true;
            } else if (const auto group = groupOf.find(child); group != groupOf.end()) {
                entry += 'f' + std::to_string(group->second);
                size += files[group->second].size;
                holdsFiles = true;
            } else {
                copy = false;
                break;
            }
            entries.push_back(std::move(entry));
        }
        if (!copy || !holdsFiles)
            continue;
        std::sort(entries.begin(), entries.end());
        std::string all;
        for (const std::string& entry : entries)
            all += std::to_string(entry.size()) + ':' + entry;
        const XXH128_hash_t digest = XXH3_128bits(all.data(), all.size());
        folder.signature = Signature{digest.high64, digest.low64};
        folder.size = size;
    }
}

} // namespace

std::vector<DuplicateFinder::Group> DuplicateFolders::fold(std::vector<DuplicateFinder::Group> files,
                                                           const std::vector<std::string>& items)
{
    std::unordered_map<std::string, std::size_t> groupOf;
    for (std::size_t index = 0; index < files.size(); ++index)
        for (const std::string& path : files[index].paths)
            groupOf[path] = index;
    auto folders = foldersOf(items);
    sign(folders, groupOf, files);

    std::map<Signature, std::vector<std::string>> bySignature;
    for (const auto& [path, folder] : folders)
        if (folder.signature && folder.depth > 0)
            bySignature[*folder.signature].push_back(path);
    std::erase_if(bySignature, [](const auto& entry) { return entry.second.size() < 2; });
    std::set<std::string> copied;
    for (const auto& [signature, paths] : bySignature)
        copied.insert(paths.begin(), paths.end());

    std::vector<DuplicateFinder::Group> groups;
    // Below a reported folder only its first copy speaks for the others.
    std::set<std::string> silenced;
    for (auto& [signature, paths] : bySignature) {
        std::sort(paths.begin(), paths.end());
        const bool inside = std::all_of(paths.begin(), paths.end(),
                                        [&](const std::string& path) { return copied.contains(parentOf(path)); });
        if (inside)
            continue;
        silenced.insert(paths.begin() + 1, paths.end());
        DuplicateFinder::Group group;
        group.size = folders[paths.front()].size;
        group.paths = paths;
        group.folders = true;
        groups.push_back(std::move(group));
    }
    const auto isSilenced = [&](const std::string& path) {
        for (auto slash = path.rfind('/'); slash != std::string::npos && slash > 0; slash = path.rfind('/', slash - 1))
            if (silenced.contains(path.substr(0, slash + 1)))
                return true;
        return false;
    };
    for (DuplicateFinder::Group& group : files) {
        std::erase_if(group.paths, isSilenced);
        if (group.paths.size() > 1)
            groups.push_back(std::move(group));
    }
    DuplicateFinder::sortByWaste(groups);
    return groups;
}

} // namespace vistrel
