#include "Commands.h"
#include "JsonWriter.h"
#include "TerminalText.h"

#include "filesystem/FileSystemError.h"
#include "filesystem/FileSystemMetadata.h"
#include "filesystem/FileUrl.h"
#include "scanner/FileSystemWalker.h"

#include <QVariant>

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

std::string_view bytes(const QByteArray& value)
{
    return std::string_view(value.constData(), static_cast<std::size_t>(value.size()));
}

std::string isoDate(const QDateTime& value)
{
    return value.toUTC().toString(Qt::ISODateWithMs).toStdString();
}

std::string utf8(const QString& value)
{
    return value.toStdString();
}

// The live properties, in the order the details read them, then the item's own and its owner's.
void writeLive(JsonWriter& json, const LiveProperties& live)
{
    const FileStatus& status = live.status;
    const auto& type = live.contentType;
    json.beginObject("live").string("localizedName", bytes(live.displayName));
    if (live.extendedAttributes)
        json.boolean("mayHaveExtendedAttributes", !live.extendedAttributes->isEmpty());
    json.integer("preferredIOBlockSize", status.preferredBlockSize);
    if (!type.identifier.isEmpty() && !type.description.isEmpty())
        json.string("localizedTypeDescription", utf8(type.description));
    if (!live.tags.isEmpty())
        json.variant("tagNames", live.tags);
    if (live.parentPath)
        json.string("parentDirectoryURL", bytes(*live.parentPath));
    if (live.inodeFlags.generation)
        json.integer("generationIdentifier", live.inodeFlags.generation);
    json.boolean("isSparse", live.sparse());
    if (live.executable)
        json.boolean("isExecutable", live.executable);
    json.boolean("isHidden", live.hidden);
    if (live.readable)
        json.boolean("isReadable", live.readable);
    if (live.writable)
        json.boolean("isWritable", live.writable);
    json.integer("linkCount", static_cast<std::int64_t>(status.linkCount));
    if (const auto created = live.created())
        json.string("creationDate", isoDate(*created));
    json.string("attributeModificationDate", isoDate(live.changed()));
    if (!type.identifier.isEmpty())
        json.string("contentType", utf8(type.identifier));
    json.string("contentModificationDate", isoDate(live.modified()))
        .string("contentAccessDate", isoDate(live.accessed()))
        .integer("totalFileSize", status.size)
        .integer("totalFileAllocatedSize", status.allocatedSize)
        .string("fileResourceType", fileResourceTypeName(status.resourceType()))
        .boolean("isDirectory", status.isDirectory());
    if (!type.identifier.isEmpty())
        json.boolean("contentTypeIsDynamic", type.isDynamic);
    json.integer("groupOwnerAccountID", status.groupId);
    if (live.groupName)
        json.string("groupOwnerAccountName", utf8(*live.groupName));
    json.integer("ownerAccountID", status.ownerId);
    if (live.ownerName)
        json.string("ownerAccountName", utf8(*live.ownerName));
    json.integer("posixPermissions", live.permissions());
    if (live.inodeFlags.immutable)
        json.boolean("immutable", live.inodeFlags.immutable);
    if (live.inodeFlags.appendOnly)
        json.boolean("appendOnly", live.inodeFlags.appendOnly);
    json.integer("systemFileNumber", static_cast<std::int64_t>(status.inode))
        .integer("systemNumber", static_cast<std::int64_t>(status.device));
    if (live.extendedAttributes) {
        json.beginObject("extendedAttributes");
        for (auto it = live.extendedAttributes->cbegin(); it != live.extendedAttributes->cend(); ++it)
            json.string(utf8(it.key()), bytes(it.value()));
        json.endObject();
    }
    json.endObject();
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
    writeLive(json, FileSystemMetadata::liveProperties(url));
    json.endObject();
    std::printf("%s\n", json.text().c_str());
}

} // namespace

const CommandLine::Spec statCommandLine{"stat", {}, {"PATH..."}, true};

int runStat(const std::vector<std::string>& arguments)
{
    std::string problem;
    const auto line = CommandLine::parse(statCommandLine, arguments, &problem);
    if (!line)
        return usageError(problem);
    const std::vector<std::string>& paths = line->operands();
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
