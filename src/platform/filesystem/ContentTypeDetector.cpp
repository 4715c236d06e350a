#include "ContentTypeDetector.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QMimeDatabase>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vistrel {

namespace {

constexpr qsizetype headSize = 16 * 1024;

QByteArray readHead(int directoryFd, const std::string& name)
{
    // Reading must not move the access time, which is the item's "Last Opened" date.
    // O_NOATIME is refused (EPERM) on files of other users unless we are privileged.
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    int fd = ::openat(directoryFd, name.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = ::openat(directoryFd, name.c_str(), flags);
    if (fd < 0)
        return {};
    QByteArray head(headSize, Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < headSize) {
        const ssize_t count = ::read(fd, head.data() + filled, static_cast<std::size_t>(headSize - filled));
        if (count <= 0)
            break;
        filled += count;
    }
    ::close(fd);
    head.truncate(filled);
    return head;
}

QString inodeTypeName(FileResourceType type)
{
    switch (type) {
    case FileResourceType::directory:
        return QStringLiteral("inode/directory");
    case FileResourceType::symbolicLink:
        return QStringLiteral("inode/symlink");
    case FileResourceType::namedPipe:
        return QStringLiteral("inode/fifo");
    case FileResourceType::characterSpecial:
        return QStringLiteral("inode/chardevice");
    case FileResourceType::blockSpecial:
        return QStringLiteral("inode/blockdevice");
    case FileResourceType::socket:
        return QStringLiteral("inode/socket");
    default:
        return {};
    }
}

} // namespace

bool ContentTypeDetector::isPropertyList(const std::string& name, const QByteArray& head)
{
    if (name.size() > 6 && name.compare(name.size() - 6, 6, ".plist") == 0)
        return true;
    if (head.startsWith("bplist00"))
        return true;
    const QByteArray start = head.left(1024);
    return start.trimmed().startsWith("<?xml") && start.contains("<plist");
}

ContentTypeDetector::ContentType ContentTypeDetector::detect(int directoryFd, const std::string& name,
                                                             const FileStatus& status)
{
    const QMimeDatabase database;
    const QString fileName = QString::fromLocal8Bit(name.data(), static_cast<qsizetype>(name.size()));
    ContentType result;
    QMimeType type;
    const FileResourceType resourceType = status.resourceType();
    if (resourceType != FileResourceType::regular) {
        type = database.mimeTypeForName(inodeTypeName(resourceType));
        if (!type.isValid())
            return result; // unknown kinds have no type at all
    } else {
        const QByteArray head = readHead(directoryFd, name);
        if (isPropertyList(name, head)) {
            // The MIME database has no property-list type; it is ours.
            result.identifier = QString::fromLatin1(propertyListType);
            result.description = QCoreApplication::translate("ContentTypeDetector", "property list");
            return result;
        }
        if (head.isEmpty() && status.size > 0)
            type = database.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension); // unreadable
        else
            type = database.mimeTypeForFileNameAndData(fileName, head);
        result.isDynamic = type.isDefault() && database.mimeTypesForFileName(fileName).isEmpty();
    }
    result.identifier = type.name();
    result.description = type.comment();
    return result;
}

} // namespace vistrel
