#pragma once

#include "FileStatus.h"

#include <QString>

#include <string>

namespace vistrel {

// The content type of an item from shared-mime-info, by name and content.
class ContentTypeDetector {
public:
    struct ContentType {
        QString identifier; // the MIME type name, "application/x-plist"
        QString description; // its localized comment
        bool isDynamic = false; // only the default guess for data nothing matched
    };

    static constexpr const char* propertyListType = "application/x-plist";

    // `name` is looked up relative to directoryFd; only regular files are opened, to read
    // their first bytes (fifos and devices are never opened).
    static ContentType detect(int directoryFd, const std::string& name, const FileStatus& status);

    // Property lists: a .plist name, a binary property list, or XML with a <plist> element.
    static bool isPropertyList(const std::string& name, const QByteArray& head);
};

} // namespace vistrel
