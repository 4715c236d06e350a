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
    json.variant("live", live).endObject();
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
