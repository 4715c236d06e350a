#include "UsedSpace.h"

#include "FileSystemError.h"
#include "MountTable.h"

#include <cerrno>
#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace vistrel {

namespace {

bool isNumber(const char* name)
{
    if (!*name)
        return false;
    for (const char* c = name; *c; ++c)
        if (*c < '0' || *c > '9')
            return false;
    return true;
}

} // namespace

std::optional<std::int64_t> UsedSpace::deletedOpenFiles(std::uint64_t device)
{
    DIR* processes = ::opendir("/proc");
    if (!processes)
        return std::nullopt;
    std::set<std::uint64_t> counted; // inodes: a file open many times holds its space once
    std::int64_t total = 0;
    bool anyRead = false;
    while (const dirent* process = ::readdir(processes)) {
        if (!isNumber(process->d_name))
            continue;
        const std::string folder = std::string("/proc/") + process->d_name + "/fd";
        DIR* descriptors = ::opendir(folder.c_str());
        if (!descriptors)
            continue; // another user's process, or one that has ended
        anyRead = true;
        while (const dirent* descriptor = ::readdir(descriptors)) {
            if (!isNumber(descriptor->d_name))
                continue;
            const std::string link = folder + "/" + descriptor->d_name;
            // stat follows the descriptor to the file itself, deleted or not.
            struct stat status { };
            if (::stat(link.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_nlink != 0
                || status.st_dev != device)
                continue;
            if (counted.insert(status.st_ino).second)
                total += static_cast<std::int64_t>(status.st_blocks) * 512;
        }
        ::closedir(descriptors);
    }
    ::closedir(processes);
    if (!anyRead)
        return std::nullopt;
    return total;
}

UsedSpace UsedSpace::measure(const std::string& root, std::int64_t scanned)
{
    struct statvfs figures { };
    if (::statvfs(root.c_str(), &figures) != 0)
        throw FileSystemError(errno, root, "statvfs");
    struct stat rootStatus { };
    if (::stat(root.c_str(), &rootStatus) != 0)
        throw FileSystemError(errno, root, "stat");
    const auto unit = static_cast<std::int64_t>(figures.f_frsize ? figures.f_frsize : figures.f_bsize);
    UsedSpace space;
    space.used = (static_cast<std::int64_t>(figures.f_blocks) - static_cast<std::int64_t>(figures.f_bavail)) * unit;
    space.reserved = (static_cast<std::int64_t>(figures.f_bfree) - static_cast<std::int64_t>(figures.f_bavail)) * unit;
    space.scanned = scanned;
    space.deletedOpen = deletedOpenFiles(rootStatus.st_dev);

    // File systems mounted below the root: named with their own figures.
    std::string prefix = root;
    if (prefix.back() != '/')
        prefix += '/';
    for (const MountTable::Mount& mount : MountTable::volumes(MountTable::read())) {
        if (mount.mountPoint.size() <= prefix.size() - 1 || mount.mountPoint.compare(0, prefix.size(), prefix) != 0)
            continue;
        struct stat mountStatus { };
        if (::stat(mount.mountPoint.c_str(), &mountStatus) != 0 || mountStatus.st_dev == rootStatus.st_dev)
            continue;
        struct statvfs inside { };
        if (::statvfs(mount.mountPoint.c_str(), &inside) != 0)
            continue;
        const auto insideUnit = static_cast<std::int64_t>(inside.f_frsize ? inside.f_frsize : inside.f_bsize);
        space.mountedInside.push_back(
            {mount.mountPoint, mount.type,
             (static_cast<std::int64_t>(inside.f_blocks) - static_cast<std::int64_t>(inside.f_bavail)) * insideUnit});
    }
    return space;
}

} // namespace vistrel
