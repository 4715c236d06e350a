#include "MountTable.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace vistrel {

namespace {

// mountinfo escapes blanks, tabs, newlines and backslashes as \ooo.
std::string unescapeField(std::string_view field)
{
    std::string result;
    result.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits(field.substr(i + 1, 3));
            char* end = nullptr;
            const long value = std::strtol(digits.c_str(), &end, 8);
            if (end == digits.c_str() + 3) {
                result += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        result += field[i];
    }
    return result;
}

bool isNetworkType(const std::string& type)
{
    static constexpr std::array<std::string_view, 9> network{"nfs",  "nfs4",      "cifs", "smb3", "smbfs",
                                                             "ceph", "glusterfs", "9p",   "afs"};
    return std::find(network.begin(), network.end(), type) != network.end();
}

bool isPseudoSource(const std::string& source)
{
    return source.empty() || source == "none";
}

bool holdsFiles(const MountTable::Mount& mount)
{
    if (mount.type == "squashfs" || mount.type == "overlay")
        return false;
    // Desktop plumbing that looks like a volume but holds none of the user's files.
    if (mount.type == "fuse.portal" || mount.type == "fuse.gvfsd-fuse" || mount.type == "fusectl")
        return false;
    if (mount.type.rfind("fuse.", 0) == 0 || mount.type == "fuse" || mount.type == "fuseblk")
        return !isPseudoSource(mount.source);
    if (isNetworkType(mount.type))
        return !isPseudoSource(mount.source);
    if (mount.type == "zfs")
        return true; // a dataset's source is its name, not a device
    return mount.source.rfind("/dev/", 0) == 0;
}

// Whether `inner` is `outer` or a folder below it.
bool isWithin(const std::string& inner, const std::string& outer)
{
    if (outer == "/")
        return true;
    return inner.compare(0, outer.size(), outer) == 0 && (inner.size() == outer.size() || inner[outer.size()] == '/');
}

} // namespace

std::vector<MountTable::Mount> MountTable::parse(std::string_view text)
{
    std::vector<Mount> mounts;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        Mount mount;
        std::string root, point, field;
        if (!(fields >> mount.mountId >> mount.parentId >> mount.device >> root >> point))
            continue;
        bool separated = false;
        while (fields >> field) {
            if (field == "-") {
                separated = true;
                break;
            }
        }
        std::string source;
        if (!separated || !(fields >> mount.type))
            continue;
        fields >> source; // may be missing for some file systems
        mount.root = unescapeField(root);
        mount.mountPoint = unescapeField(point);
        mount.source = unescapeField(source);
        mounts.push_back(std::move(mount));
    }
    return mounts;
}

std::vector<MountTable::Mount> MountTable::read()
{
    std::ifstream file("/proc/self/mountinfo");
    if (!file)
        return {};
    std::ostringstream text;
    text << file.rdbuf();
    return parse(text.str());
}

std::vector<MountTable::Mount> MountTable::volumes(const std::vector<Mount>& mounts,
                                                   const std::function<bool(const std::string&)>& isDirectory)
{
    // A mount point covered by a later mount on the same point shows only the later one.
    std::vector<const Mount*> visible;
    for (const Mount& mount : mounts) {
        std::erase_if(visible, [&](const Mount* earlier) { return earlier->mountPoint == mount.mountPoint; });
        visible.push_back(&mount);
    }
    std::vector<Mount> volumes;
    for (const Mount* mount : visible) {
        if (!holdsFiles(*mount))
            continue;
        if (isDirectory && !isDirectory(mount->mountPoint))
            continue;
        // The same file system again: a bind mount of it, or of a folder inside what is listed.
        const bool again = std::any_of(volumes.begin(), volumes.end(), [&](const Mount& listed) {
            return listed.device == mount->device && isWithin(mount->root, listed.root);
        });
        if (!again)
            volumes.push_back(*mount);
    }
    return volumes;
}

std::vector<MountTable::Mount> MountTable::currentVolumes()
{
    const std::vector<Mount> mounts = read();
    std::vector<Mount> found = volumes(mounts, [](const std::string& path) {
        struct stat status { };
        return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
    });
    // The one holding "/" first, always there (a container's "/" is an overlay); the rest by
    // mount point.
    const std::optional<Mount> rootMount = mountOf(mounts, "/");
    if (rootMount && std::none_of(found.begin(), found.end(), [&](const Mount& m) { return m.mountPoint == "/"; }))
        found.insert(found.begin(), *rootMount);
    std::stable_sort(found.begin(), found.end(), [&](const Mount& a, const Mount& b) {
        const bool aRoot = rootMount && a.mountId == rootMount->mountId;
        const bool bRoot = rootMount && b.mountId == rootMount->mountId;
        if (aRoot != bRoot)
            return aRoot;
        return a.mountPoint < b.mountPoint;
    });
    return found;
}

bool MountTable::startsVolume(const std::vector<Mount>& mounts, const std::string& directory)
{
    if (directory == "/")
        return true;
    const auto mount = mountOf(mounts, directory);
    return mount && mount->mountPoint + "/" == directory;
}

std::optional<MountTable::Mount> MountTable::mountOf(const std::vector<Mount>& mounts, const std::string& path)
{
    std::optional<Mount> best;
    for (const Mount& mount : mounts) {
        if (isWithin(path, mount.mountPoint) && (!best || mount.mountPoint.size() >= best->mountPoint.size()))
            best = mount;
    }
    return best;
}

} // namespace vistrel
