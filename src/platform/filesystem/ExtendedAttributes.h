#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include <optional>
#include <string>

namespace vistrel {

// The extended attributes of one item, links not followed.
class ExtendedAttributes {
public:
    // Name to value. Empty when the item has none; absent when the file system does not
    // support them or the item cannot be reached. directoryFd and name locate the item when
    // the path is too long for the path-based calls.
    static std::optional<QMap<QString, QByteArray>> read(const std::string& path, int directoryFd,
                                                         const std::string& name, bool isSymbolicLink);
    // Writes one attribute (tests and tags). Returns 0 or the errno.
    static int write(const std::string& path, const std::string& attributeName, const QByteArray& value);
};

} // namespace vistrel
