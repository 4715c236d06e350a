#pragma once

#include "FileStatus.h"

#include <QStringList>
#include <QVariantMap>

#include <optional>
#include <string>

namespace vistrel {

class FileUrl;

// The file-system metadata service on Linux. Paths are bytes; links are never followed;
// paths longer than PATH_MAX work (reached through directory fds).
class FileSystemMetadata {
public:
    // One statx of `name` relative to directoryFd. Empty with *errorNumber set on failure.
    static std::optional<FileStatus> statusAt(int directoryFd, const char* name, int* errorNumber = nullptr);
    // The same, asking only for what a scan records: kind, owner, links, identity, sizes and
    // mount. Times come back as the file system happens to give them, or zero; a network
    // file system need not fetch them.
    static std::optional<FileStatus> scanStatusAt(int directoryFd, const char* name, int* errorNumber = nullptr);
    // The same for an absolute path (a trailing '/' is ignored). Throws FileSystemError.
    static FileStatus status(const std::string& path);

    // Resource values for the given keys (ResourceKeys.h names). A value the item lacks is left
    // out. Dates are QDateTime, flags bool, numbers qint64, texts QString, byte names and paths
    // QByteArray, tag names QStringList. Throws FileSystemError when the item cannot be read.
    static QVariantMap resourceValues(const FileUrl& url, const QStringList& keys);
    // Every key resourceValues knows.
    static QStringList allResourceKeys();

    // The item's attributes (FileAttributeKey names): numbers qint64, names QString, flags bool,
    // extended attributes a QVariantMap of name to QByteArray. Throws FileSystemError.
    static QVariantMap attributesOfItem(const std::string& path);

    static unsigned processorCount();
};

} // namespace vistrel
