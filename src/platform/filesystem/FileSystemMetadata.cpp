#include "FileSystemMetadata.h"

#include "ContentTypeDetector.h"
#include "DirectoryHandle.h"
#include "ExtendedAttributes.h"
#include "FileSystemError.h"
#include "FileUrl.h"
#include "InodeFlags.h"
#include "VolumeFigures.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>

namespace vistrel {

namespace {

FileTimestamp timestamp(const struct statx_timestamp& value)
{
    return FileTimestamp{value.tv_sec, value.tv_nsec};
}

QByteArray bytesOf(const std::string& value)
{
    return QByteArray(value.data(), static_cast<qsizetype>(value.size()));
}

// An item reached through its directory's fd, whatever the length of its path.
struct OpenedItem {
    DirectoryHandle directory;
    std::string name; // "." for "/"
    FileStatus status;
};

OpenedItem openItem(const std::string& path)
{
    OpenedItem item;
    int errorNumber = 0;
    item.directory = DirectoryHandle::openContaining(path, &item.name, &errorNumber);
    if (!item.directory.isValid())
        throw FileSystemError(errorNumber, path, "open");
    auto status = FileSystemMetadata::statusAt(item.directory.fd(), item.name.c_str(), &errorNumber);
    if (!status)
        throw FileSystemError(errorNumber, path, "stat");
    item.status = *status;
    return item;
}

std::optional<bool> accessible(const OpenedItem& item, int mode)
{
    int flags = AT_EACCESS;
    if (item.status.resourceType() == FileResourceType::symbolicLink)
        flags |= AT_SYMLINK_NOFOLLOW;
    if (::faccessat(item.directory.fd(), item.name.c_str(), mode, flags) == 0)
        return true;
    if (errno == EACCES || errno == EROFS || errno == ETXTBSY || errno == EPERM)
        return false;
    return std::nullopt;
}

std::optional<QString> userName(std::uint32_t id)
{
    std::vector<char> buffer(4096);
    struct passwd entry { };
    struct passwd* found = nullptr;
    if (::getpwuid_r(id, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return std::nullopt;
    return QString::fromLocal8Bit(found->pw_name);
}

std::optional<QString> groupName(std::uint32_t id)
{
    std::vector<char> buffer(4096);
    struct group entry { };
    struct group* found = nullptr;
    if (::getgrgid_r(id, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return std::nullopt;
    return QString::fromLocal8Bit(found->gr_name);
}

} // namespace

LiveProperties FileSystemMetadata::liveProperties(const FileUrl& url)
{
    const OpenedItem item = openItem(url.path());
    LiveProperties live;
    live.status = item.status;
    const FileStatus& status = item.status;
    const bool isRoot = item.name == ".";
    const bool isLink = status.resourceType() == FileResourceType::symbolicLink;
    live.hidden = !isRoot && item.name.front() == '.';
    std::optional<std::string> name;
    if (isRoot) {
        try {
            name = VolumeFigures::read("/").localizedName;
        } catch (const FileSystemError&) {
        }
    } else {
        live.parentPath = bytesOf(url.parentDirectory().path());
    }
    live.displayName = bytesOf(name.value_or(url.lastPathComponent()));
    live.readable = accessible(item, R_OK);
    live.writable = accessible(item, W_OK);
    live.executable = accessible(item, X_OK);
    live.inodeFlags = InodeFlags::read(item.directory.fd(), item.name, status);
    live.contentType = ContentTypeDetector::detect(item.directory.fd(), item.name, status);
    live.ownerName = userName(status.ownerId);
    live.groupName = groupName(status.groupId);
    live.extendedAttributes
        = ExtendedAttributes::read(url.pathWithoutTrailingSeparator(), item.directory.fd(), item.name, isLink);
    if (live.extendedAttributes) {
        const auto tags = live.extendedAttributes->constFind(QStringLiteral("user.xdg.tags"));
        if (tags != live.extendedAttributes->cend())
            live.tags = QString::fromUtf8(*tags).split(QLatin1Char(','), Qt::SkipEmptyParts);
    }
    return live;
}

namespace {

#ifdef STATX_ATTR_MOUNT_ROOT
constexpr std::uint64_t statxMountRoot = STATX_ATTR_MOUNT_ROOT;
#else
constexpr std::uint64_t statxMountRoot = 0x00002000;
#endif

std::optional<FileStatus> statusWithMask(int directoryFd, const char* name, int* errorNumber, unsigned mask)
{
    struct statx raw { };
    // An empty name is the open item itself.
    const int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | (*name ? 0 : AT_EMPTY_PATH);
    if (::statx(directoryFd, name, flags, mask, &raw) != 0) {
        if (errorNumber)
            *errorNumber = errno;
        return std::nullopt;
    }
    FileStatus status;
    status.device = makedev(raw.stx_dev_major, raw.stx_dev_minor);
    status.inode = raw.stx_ino;
    // A size the file system does not report reads as 0.
    status.size = (raw.stx_mask & STATX_SIZE) ? static_cast<std::int64_t>(raw.stx_size) : 0;
    status.allocatedSize = (raw.stx_mask & STATX_BLOCKS) ? static_cast<std::int64_t>(raw.stx_blocks) * 512 : 0;
    status.mode = raw.stx_mode;
    status.linkCount = raw.stx_nlink;
    status.preferredBlockSize = raw.stx_blksize;
    status.ownerId = raw.stx_uid;
    status.groupId = raw.stx_gid;
    status.accessTime = timestamp(raw.stx_atime);
    status.modificationTime = timestamp(raw.stx_mtime);
    status.changeTime = timestamp(raw.stx_ctime);
    // A birth time of exactly the epoch is what file systems report when they do not know it.
    if ((raw.stx_mask & STATX_BTIME) && (raw.stx_btime.tv_sec != 0 || raw.stx_btime.tv_nsec != 0))
        status.birthTime = timestamp(raw.stx_btime);
    if (raw.stx_mask & STATX_MNT_ID)
        status.mountId = raw.stx_mnt_id;
    status.mountRoot = (raw.stx_attributes_mask & statxMountRoot) && (raw.stx_attributes & statxMountRoot);
    return status;
}

} // namespace

std::optional<FileStatus> FileSystemMetadata::statusAt(int directoryFd, const char* name, int* errorNumber)
{
    // Birth time and mount id come from the same inode read; asking for them costs nothing.
    return statusWithMask(directoryFd, name, errorNumber, STATX_BASIC_STATS | STATX_BTIME | STATX_MNT_ID);
}

std::optional<FileStatus> FileSystemMetadata::scanStatusAt(int directoryFd, const char* name, int* errorNumber)
{
    return statusWithMask(directoryFd, name, errorNumber,
                          STATX_TYPE | STATX_MODE | STATX_NLINK | STATX_UID | STATX_INO | STATX_SIZE | STATX_BLOCKS
                              | STATX_MNT_ID);
}

FileStatus FileSystemMetadata::status(const std::string& path)
{
    return openItem(path).status;
}

unsigned FileSystemMetadata::processorCount()
{
    const unsigned count = std::thread::hardware_concurrency();
    return count == 0 ? 1 : count;
}

} // namespace vistrel
