#include "Commands.h"
#include "JsonWriter.h"
#include "TerminalText.h"

#include "filesystem/FileSystemError.h"
#include "filesystem/FileSystemMetadata.h"
#include "filesystem/FileUrl.h"
#include "filesystem/ResourceKeys.h"
#include "scanner/FileSystemWalker.h"

#include <QVariant>

#include <cctype>
#include <cstdio>

namespace vistrel::cli {

namespace {

// Directories are named with a trailing separator, as the walker names them.
FileUrl urlOf(const std::string& path, const FileStatus& status)
{
    if (status.isDirectory())
        return FileUrl::directory(path);
    FileUrl url(path);
    return FileUrl(url.pathWithoutTrailingSeparator());
}

// The live properties in the order the details read them, then the item's own and its
// attributes; each under a name without the other platform's prefix and suffix.
constexpr const char* liveKeyOrder[] = {ResourceKey::localizedName,
                                        ResourceKey::fileContentIdentifier,
                                        ResourceKey::isApplication,
                                        ResourceKey::applicationIsScriptable,
                                        ResourceKey::addedToDirectoryDate,
                                        ResourceKey::mayHaveExtendedAttributes,
                                        ResourceKey::mayShareFileContent,
                                        ResourceKey::preferredIOBlockSize,
                                        ResourceKey::documentIdentifier,
                                        ResourceKey::localizedTypeDescription,
                                        ResourceKey::labelNumber,
                                        ResourceKey::tagNames,
                                        ResourceKey::localizedLabel,
                                        ResourceKey::hasHiddenExtension,
                                        ResourceKey::parentDirectoryURL,
                                        ResourceKey::generationIdentifier,
                                        ResourceKey::isSparse,
                                        ResourceKey::isExcludedFromBackup,
                                        ResourceKey::isExecutable,
                                        ResourceKey::isPackage,
                                        ResourceKey::isHidden,
                                        ResourceKey::isSystemImmutable,
                                        ResourceKey::isReadable,
                                        ResourceKey::isUserImmutable,
                                        ResourceKey::isWritable,
                                        ResourceKey::linkCount,
                                        ResourceKey::creationDate,
                                        ResourceKey::attributeModificationDate,
                                        ResourceKey::contentType,
                                        ResourceKey::contentModificationDate,
                                        ResourceKey::contentAccessDate,
                                        ResourceKey::totalFileSize,
                                        ResourceKey::totalFileAllocatedSize,
                                        ResourceKey::fileResourceType,
                                        ResourceKey::isPurgeable,
                                        ResourceKey::isDirectory,
                                        ResourceKey::contentTypeIsDynamic,
                                        FileAttributeKey::groupOwnerAccountID,
                                        FileAttributeKey::groupOwnerAccountName,
                                        FileAttributeKey::ownerAccountID,
                                        FileAttributeKey::ownerAccountName,
                                        FileAttributeKey::posixPermissions,
                                        FileAttributeKey::immutable,
                                        FileAttributeKey::appendOnly,
                                        FileAttributeKey::busy,
                                        FileAttributeKey::systemFileNumber,
                                        FileAttributeKey::systemNumber,
                                        FileAttributeKey::extendedAttributes};

// "NSURLContentAccessDateKey" is contentAccessDate, "NSFilePosixPermissions" posixPermissions.
std::string linuxName(std::string_view key)
{
    for (const std::string_view prefix : {"NSURL", "NSFile", "Vistrel"}) {
        if (key.substr(0, prefix.size()) == prefix) {
            key.remove_prefix(prefix.size());
            break;
        }
    }
    if (key.size() > 3 && key.substr(key.size() - 3) == "Key")
        key.remove_suffix(3);
    std::string name(key);
    if (!name.empty())
        name[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
    return name;
}

// The record and identity makeRecord gives, then the live properties present.
void printItem(const std::string& path)
{
    const FileStatus status = FileSystemMetadata::status(path);
    const FileUrl url = urlOf(path, status);
    const auto made = FileSystemWalker::makeRecord(url, &status);
    JsonWriter json;
    json.beginObject().string("path", url.path());
    if (made) {
        const FileSystemRecord& record = made->record;
        json.integer("level", record.level)
            .integer("fileResourceType", record.fileResourceType)
            .integer("totalSize", record.totalSize)
            .integer("totalAllocatedSize", record.totalAllocatedSize)
            .boolean("isPurgeable", record.isPurgeable)
            .integer("systemFileNumber", made->id.systemFileNumber)
            .integer("systemNumber", made->id.systemNumber);
    } else {
        for (const char* key : {"level", "fileResourceType", "totalSize", "totalAllocatedSize", "isPurgeable",
                                "systemFileNumber", "systemNumber"})
            json.null(key);
    }
    QVariantMap live = FileSystemMetadata::resourceValues(url, FileSystemMetadata::allResourceKeys());
    const QVariantMap attributes = FileSystemMetadata::attributesOfItem(url.path());
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it)
        live.insert(it.key(), it.value());
    json.beginObject("live");
    for (const char* key : liveKeyOrder) {
        const auto found = live.constFind(QString::fromLatin1(key));
        if (found != live.cend())
            json.variant(linuxName(key), *found);
    }
    json.endObject().endObject();
    std::printf("%s\n", json.text().c_str());
}

} // namespace

int runStat(const std::vector<std::string>& arguments)
{
    const bool optionsEnded = !arguments.empty() && arguments.front() == "--";
    const std::vector<std::string> paths(arguments.begin() + (optionsEnded ? 1 : 0), arguments.end());
    if (paths.empty())
        return usageError("stat needs at least one path");
    int status = exitSuccess;
    for (const std::string& argument : paths) {
        try {
            printItem(absolutePath(argument));
        } catch (const FileSystemError& error) {
            std::fflush(stdout);
            std::fprintf(stderr, "vistrel-cli: cannot read %s: %s\n", terminalText(argument).c_str(),
                         error.localizedDescription().c_str());
            status = exitFailure;
        }
    }
    return status;
}

} // namespace vistrel::cli
