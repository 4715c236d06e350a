#include "FileSystemMetadata.h"

#include "ContentTypeDetector.h"
#include "DirectoryHandle.h"
#include "ExtendedAttributes.h"
#include "FileSystemError.h"
#include "FileUrl.h"
#include "InodeFlags.h"
#include "ResourceKeys.h"
#include "VolumeFigures.h"

#include <QDateTime>

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

QDateTime dateOf(const FileTimestamp& value)
{
    return QDateTime::fromMSecsSinceEpoch(value.seconds * 1000 + value.nanoseconds / 1000000, Qt::UTC);
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

QString resourceTypeName(FileResourceType type)
{
    switch (type) {
    case FileResourceType::namedPipe:
        return QStringLiteral("namedPipe");
    case FileResourceType::characterSpecial:
        return QStringLiteral("characterSpecial");
    case FileResourceType::blockSpecial:
        return QStringLiteral("blockSpecial");
    case FileResourceType::symbolicLink:
        return QStringLiteral("symbolicLink");
    case FileResourceType::socket:
        return QStringLiteral("socket");
    case FileResourceType::regular:
        return QStringLiteral("regular");
    case FileResourceType::directory:
        return QStringLiteral("directory");
    case FileResourceType::unknown:
        break;
    }
    return QStringLiteral("unknown");
}

} // namespace

QStringList FileSystemMetadata::allResourceKeys()
{
    using namespace ResourceKey;
    QStringList keys;
    for (const char* key : {localizedName,
                            mayHaveExtendedAttributes,
                            preferredIOBlockSize,
                            localizedTypeDescription,
                            tagNames,
                            parentDirectoryURL,
                            generationIdentifier,
                            isSparse,
                            isExecutable,
                            isHidden,
                            isReadable,
                            isUserImmutable,
                            isWritable,
                            linkCount,
                            creationDate,
                            attributeModificationDate,
                            contentType,
                            contentModificationDate,
                            contentAccessDate,
                            totalFileSize,
                            totalFileAllocatedSize,
                            fileResourceType,
                            isDirectory})
        keys << QString::fromLatin1(key);
    return keys;
}

QVariantMap FileSystemMetadata::resourceValues(const FileUrl& url, const QStringList& keys)
{
    namespace Key = ResourceKey;
    const OpenedItem item = openItem(url.path());
    const FileStatus& status = item.status;
    const bool isRoot = item.name == ".";
    const auto wants = [&keys](const char* key) { return keys.contains(QLatin1String(key)); };
    QVariantMap values;
    const auto put = [&](const char* key, const QVariant& value) {
        if (wants(key))
            values.insert(QString::fromLatin1(key), value);
    };

    put(Key::totalFileSize, qint64(status.size));
    put(Key::totalFileAllocatedSize, qint64(status.allocatedSize));
    put(Key::fileResourceType, resourceTypeName(status.resourceType()));
    put(Key::isDirectory, status.isDirectory());
    put(Key::preferredIOBlockSize, qint64(status.preferredBlockSize));
    put(Key::linkCount, qint64(status.linkCount));
    put(Key::contentAccessDate, dateOf(status.accessTime));
    put(Key::contentModificationDate, dateOf(status.modificationTime));
    put(Key::attributeModificationDate, dateOf(status.changeTime));
    if (status.birthTime)
        put(Key::creationDate, dateOf(*status.birthTime));
    put(Key::isHidden, !isRoot && item.name.front() == '.');
    put(Key::isSparse, status.resourceType() == FileResourceType::regular && status.allocatedSize < status.size);
    if (!isRoot)
        put(Key::parentDirectoryURL, bytesOf(url.parentDirectory().path()));

    if (wants(Key::localizedName)) {
        std::optional<std::string> name;
        if (isRoot) {
            try {
                name = VolumeFigures::read("/").localizedName;
            } catch (const FileSystemError&) {
            }
        }
        put(Key::localizedName, bytesOf(name.value_or(url.lastPathComponent())));
    }
    if (wants(Key::isReadable))
        if (const auto readable = accessible(item, R_OK))
            put(Key::isReadable, *readable);
    if (wants(Key::isWritable))
        if (const auto writable = accessible(item, W_OK))
            put(Key::isWritable, *writable);
    if (wants(Key::isExecutable))
        if (const auto executable = accessible(item, X_OK))
            put(Key::isExecutable, *executable);
    if (wants(Key::isUserImmutable) || wants(Key::generationIdentifier)) {
        const InodeFlags flags = InodeFlags::read(item.directory.fd(), item.name, status);
        if (flags.immutable)
            put(Key::isUserImmutable, *flags.immutable);
        if (flags.generation)
            put(Key::generationIdentifier, qint64(*flags.generation));
    }
    if (wants(Key::mayHaveExtendedAttributes) || wants(Key::tagNames)) {
        const auto attributes
            = ExtendedAttributes::read(url.pathWithoutTrailingSeparator(), item.directory.fd(), item.name,
                                       status.resourceType() == FileResourceType::symbolicLink);
        if (attributes) {
            put(Key::mayHaveExtendedAttributes, !attributes->isEmpty());
            const auto tags = attributes->constFind(QStringLiteral("user.xdg.tags"));
            if (tags != attributes->cend())
                put(Key::tagNames, QString::fromUtf8(*tags).split(QLatin1Char(','), Qt::SkipEmptyParts));
        }
    }
    if (wants(Key::contentType) || wants(Key::localizedTypeDescription)) {
        const auto type = ContentTypeDetector::detect(item.directory.fd(), item.name, status);
        if (!type.identifier.isEmpty()) {
            put(Key::contentType, type.identifier);
            if (wants(Key::contentType))
                values.insert(QString::fromLatin1(Key::contentTypeIsDynamic), type.isDynamic);
            if (!type.description.isEmpty())
                put(Key::localizedTypeDescription, type.description);
        }
    }
    return values;
}

QVariantMap FileSystemMetadata::attributesOfItem(const std::string& path)
{
    namespace Key = FileAttributeKey;
    const OpenedItem item = openItem(path);
    const FileStatus& status = item.status;
    QVariantMap attributes;
    const auto put
        = [&](const char* key, const QVariant& value) { attributes.insert(QString::fromLatin1(key), value); };
    put(Key::systemNumber, qint64(status.device));
    put(Key::systemFileNumber, qint64(status.inode));
    put(Key::ownerAccountID, qint64(status.ownerId));
    put(Key::groupOwnerAccountID, qint64(status.groupId));
    put(Key::posixPermissions, qint64(status.mode & 07777));
    if (const auto name = userName(status.ownerId))
        put(Key::ownerAccountName, *name);
    if (const auto name = groupName(status.groupId))
        put(Key::groupOwnerAccountName, *name);
    const InodeFlags flags = InodeFlags::read(item.directory.fd(), item.name, status);
    if (flags.immutable)
        put(Key::immutable, *flags.immutable);
    if (flags.appendOnly)
        put(Key::appendOnly, *flags.appendOnly);
    FileUrl url(path);
    const auto extended = ExtendedAttributes::read(url.pathWithoutTrailingSeparator(), item.directory.fd(), item.name,
                                                   status.resourceType() == FileResourceType::symbolicLink);
    if (extended) {
        QVariantMap map;
        for (auto it = extended->cbegin(); it != extended->cend(); ++it)
            map.insert(it.key(), it.value());
        put(Key::extendedAttributes, map);
    }
    return attributes;
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
