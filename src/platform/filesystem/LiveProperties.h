#pragma once

#include "ContentTypeDetector.h"
#include "FileStatus.h"
#include "InodeFlags.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace vistrel {

// What the file system says of one item now, read in one go: the statx, then what the
// details panel and `stat` add to it (FileSystemMetadata::liveProperties reads it). A value the item or its file system
// lacks is absent.
struct LiveProperties {
    FileStatus status;
    QByteArray displayName; // the last path component; for "/" the volume's name
    std::optional<QByteArray> parentPath; // absent for "/"
    bool hidden = false; // the name begins with '.'
    // For the caller, as faccessat tells; absent when it cannot say.
    std::optional<bool> readable;
    std::optional<bool> writable;
    std::optional<bool> executable;
    InodeFlags inodeFlags;
    ContentTypeDetector::ContentType contentType;
    std::optional<QString> ownerName; // absent when the user database has no entry
    std::optional<QString> groupName;
    // Name to value; absent where the file system has none or refuses to list them.
    std::optional<QMap<QString, QByteArray>> extendedAttributes;
    QStringList tags; // user.xdg.tags, comma-separated

    bool sparse() const
    {
        return status.resourceType() == FileResourceType::regular && status.allocatedSize < status.size;
    }
    std::int64_t permissions() const { return status.mode & 07777; }
    QDateTime accessed() const { return date(status.accessTime); }
    QDateTime modified() const { return date(status.modificationTime); }
    QDateTime changed() const { return date(status.changeTime); }
    std::optional<QDateTime> created() const
    {
        return status.birthTime ? std::optional<QDateTime>(date(*status.birthTime)) : std::nullopt;
    }

    static QDateTime date(const FileTimestamp& value)
    {
        return QDateTime::fromMSecsSinceEpoch(value.seconds * 1000 + value.nanoseconds / 1000000, Qt::UTC);
    }
};

} // namespace vistrel
