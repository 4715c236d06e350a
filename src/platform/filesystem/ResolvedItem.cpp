#include "ResolvedItem.h"

#include "FileSystemMetadata.h"
#include "FileUrl.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vistrel {

namespace {

constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

struct Probe {
    std::optional<FileStatus> status;
    int error = 0;
};

// One statx of `name` in `directoryFd` ("" for the folder itself), links not followed.
Probe probe(int directoryFd, const char* name)
{
    Probe result;
    result.status = FileSystemMetadata::statusAt(directoryFd, name, &result.error);
    return result;
}

// Opens one component below `parentFd` the way the kernel guarantees when it can: no link,
// no other mount, nothing outside. Older kernels (or filters that refuse openat2) get the
// plain no-follow open; the callers compare mount ids afterwards in both cases.
int openComponent(int parentFd, const char* name)
{
    open_how how{};
    how.flags = folderFlags;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_XDEV | RESOLVE_NO_MAGICLINKS;
    const long fd = ::syscall(SYS_openat2, parentFd, name, &how, sizeof how);
    if (fd >= 0 || (errno != ENOSYS && errno != EPERM && errno != E2BIG))
        return static_cast<int>(fd);
    return ::openat(parentFd, name, folderFlags);
}

bool sameMount(const FileStatus& status, std::uint64_t device, const std::optional<std::uint64_t>& mountId)
{
    return status.device == device && (!mountId || !status.mountId || *status.mountId == *mountId);
}

std::string shown(const std::string& name)
{
    return "\u201c" + name + "\u201d";
}

ResolvedItem::Resolution refused(std::string reason, bool gone = false)
{
    ResolvedItem::Resolution resolution;
    resolution.refusal = std::move(reason);
    resolution.gone = gone;
    return resolution;
}

} // namespace

ResolvedItem::Resolution ResolvedItem::resolve(const std::string& root, const std::string& path)
{
    const std::string rootFolder = FileUrl::directory(root).path();
    const bool wantsFolder = !path.empty() && path.back() == '/';
    const std::string asFolder = FileUrl::directory(path).path();
    if (path.empty() || path.front() != '/' || asFolder.compare(0, rootFolder.size(), rootFolder) != 0)
        return refused("it is not in this snapshot");

    int error = 0;
    auto current = std::make_shared<DirectoryHandle>(DirectoryHandle::openPath(rootFolder, &error));
    if (!current->isValid())
        return refused("the scanned folder cannot be opened: " + std::string(std::strerror(error)), error == ENOENT);
    const Probe rootProbe = probe(current->fd(), "");
    if (!rootProbe.status)
        return refused("the scanned folder cannot be read: " + std::string(std::strerror(rootProbe.error)));

    ResolvedItem item;
    item.path_ = path;
    item.device_ = rootProbe.status->device;
    item.mountId_ = rootProbe.status->mountId;

    // The components below the root; "." and ".." never name an item of a snapshot.
    std::vector<std::string> components;
    const std::string relative = asFolder.substr(rootFolder.size());
    for (std::size_t start = 0; start < relative.size();) {
        const std::size_t slash = relative.find('/', start);
        const std::string component = relative.substr(start, slash - start);
        if (component.empty() || component == "." || component == "..")
            return refused("it is not a plain path");
        components.push_back(component);
        start = slash + 1;
    }
    if (components.empty()) {
        item.status_ = *rootProbe.status;
        item.rootFolder_ = std::move(current);
        return {std::move(item), {}, false};
    }

    std::string reached = rootFolder;
    for (std::size_t index = 0; index + 1 < components.size(); ++index) {
        const std::string& component = components[index];
        const Probe step = probe(current->fd(), component.c_str());
        if (!step.status)
            return refused("the folder " + shown(reached + component)
                               + " on its way cannot be read: " + std::strerror(step.error),
                           step.error == ENOENT);
        if (step.status->resourceType() == FileResourceType::symbolicLink)
            return refused("the folder " + shown(reached + component)
                           + " on its way has been replaced by a symbolic link");
        if (!step.status->isDirectory())
            return refused("the folder " + shown(reached + component) + " on its way is no longer a folder");
        if (step.status->mountRoot || !sameMount(*step.status, item.device_, item.mountId_))
            return refused("another file system is mounted on the folder " + shown(reached + component)
                           + " on its way");
        const int fd = openComponent(current->fd(), component.c_str());
        if (fd < 0)
            return refused("the folder " + shown(reached + component)
                           + " on its way cannot be opened: " + std::strerror(errno));
        auto next = std::make_shared<DirectoryHandle>(fd);
        const Probe opened = probe(fd, "");
        if (!opened.status || opened.status->inode != step.status->inode
            || !sameMount(*opened.status, item.device_, item.mountId_))
            return refused("the folder " + shown(reached + component) + " on its way changed while it was reached");
        current = std::move(next);
        reached += component + "/";
    }

    item.name_ = components.back();
    item.parent_ = std::move(current);
    const Probe last = probe(item.parent_->fd(), item.name_.c_str());
    if (!last.status)
        return refused(last.error == ENOENT ? std::string("it is no longer there") : std::strerror(last.error),
                       last.error == ENOENT);
    item.status_ = *last.status;
    if (wantsFolder && !item.isDirectory())
        return refused(item.status_.resourceType() == FileResourceType::symbolicLink
                           ? "it has been replaced by a symbolic link"
                           : "it is no longer a folder");
    if (!wantsFolder && item.isDirectory())
        return refused("it is a folder now, not the item scanned");
    if (last.status->mountRoot || !sameMount(item.status_, item.device_, item.mountId_))
        return refused("another file system is mounted there (a mount point or a bind mount); "
                       "unmount it to change what it holds");
    return {std::move(item), {}, false};
}

std::optional<std::string> ResolvedItem::recheck() const
{
    const Probe now = isRoot() ? probe(rootFolder_->fd(), "") : probe(parent_->fd(), name_.c_str());
    if (!now.status)
        return now.error == ENOENT ? std::string("it is no longer there") : std::string(std::strerror(now.error));
    if (now.status->inode != status_.inode || now.status->device != status_.device
        || now.status->resourceType() != status_.resourceType())
        return std::string("it was replaced after it was chosen");
    if ((!isRoot() && now.status->mountRoot) || !sameMount(*now.status, device_, mountId_))
        return std::string("another file system is mounted there now");
    return std::nullopt;
}

DirectoryHandle ResolvedItem::openFolder(int* errorNumber) const
{
    const auto fail = [errorNumber](int error) {
        if (errorNumber)
            *errorNumber = error;
        return DirectoryHandle();
    };
    if (!isDirectory())
        return fail(ENOTDIR);
    const int fd
        = isRoot() ? ::fcntl(rootFolder_->fd(), F_DUPFD_CLOEXEC, 0) : openComponent(parent_->fd(), name_.c_str());
    if (fd < 0)
        return fail(errno);
    DirectoryHandle folder(fd);
    const Probe opened = probe(fd, "");
    if (!opened.status || opened.status->inode != status_.inode || !sameMount(*opened.status, device_, mountId_))
        return fail(ESTALE);
    return folder;
}

} // namespace vistrel
