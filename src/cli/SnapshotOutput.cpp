#include "SnapshotOutput.h"

#include "Commands.h"
#include "JsonWriter.h"

#include "TerminalText.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "objectstore/StoreError.h"
#include "services/Formats.h"
#include "store/SnapshotCompletion.h"
#include "store/VistrelFile.h"
#include "store/VistrelModelContainer.h"

#include <cstdio>
#include <sys/stat.h>

namespace vistrel::cli {

namespace {

constexpr int nameWidth = 48;

std::string padLeft(const QString& text, int width)
{
    const QString padded = text.rightJustified(width);
    return padded.toStdString();
}

} // namespace

std::shared_ptr<StoreContainer> SnapshotOutput::openExisting(const std::optional<std::string>& location,
                                                             const std::string& directory)
{
    const std::string root = location ? "/" : VistrelModelContainer::storedRootHolding(directory);
    const std::string path = location ? absolutePath(*location) : VistrelModelContainer::onDiskStoreLocation(root);
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        failure("no snapshot store at " + terminalText(path) + (location ? "" : " (run vistrel-cli scan first)"));
        return nullptr;
    }
    std::shared_ptr<StoreContainer> container;
    try {
        // The per-user store goes through the check of its folder's owner, as a scan's does.
        container = location
            ? VistrelModelContainer::shared().makeContainer(path, VistrelModelContainer::Access::readOnly)
            : VistrelModelContainer::shared().makeOnDiskContainer(VistrelModelContainer::Access::readOnly, root);
        if (!SnapshotCompletion::isFinished(*container))
            std::fprintf(stderr, "vistrel-cli: %s\n", SnapshotCompletion::incompleteMessage);
    } catch (const ModelContainerError& error) {
        if (error.code() == StoreError::Code::busy)
            failure("a scan is writing the snapshot store " + terminalText(path)
                    + " right now; try again when it has finished");
        else
            failure(std::string(error.what()) + " (" + terminalText(path) + ")");
        return nullptr;
    } catch (const StoreError& error) {
        failure(std::string("cannot read the snapshot: ") + error.what());
        return nullptr;
    }
    return container;
}

std::string SnapshotOutput::json(const VistrelFile& file)
{
    JsonWriter writer;
    writer.beginObject()
        .string("id", file.id)
        .string("name", file.name)
        .integer("level", file.level)
        .integer("fileResourceType",
                 file.fileResourceType ? std::optional<std::int64_t>(*file.fileResourceType) : std::nullopt)
        .integer("fileCount", file.fileCount)
        .integer("totalSize", file.totalSize)
        .integer("totalAllocatedSize", file.totalAllocatedSize)
        .boolean("isPurgeable", file.isPurgeable)
        .endObject();
    return writer.text();
}

std::string SnapshotOutput::tableHeader()
{
    return QString(QStringLiteral("Name")).leftJustified(nameWidth).toStdString() + padLeft(QStringLiteral("Files"), 14)
        + padLeft(QStringLiteral("Size"), 12);
}

std::string SnapshotOutput::tableRow(const VistrelFile& file)
{
    return tableRow(terminalText(file.name) + (file.fileResourceType == 255 ? "/" : ""), file.fileCount,
                    file.totalAllocatedSize);
}

std::string SnapshotOutput::tableRow(std::string name, std::optional<std::int64_t> fileCount,
                                     std::optional<std::int64_t> allocatedSize)
{
    const int width = static_cast<int>(displayWidth(name));
    if (width < nameWidth)
        name.append(static_cast<std::size_t>(nameWidth - width), ' ');
    const QString files = fileCount ? Formats::groupedCount(*fileCount) : QStringLiteral("-");
    const QString size = allocatedSize ? Formats::byteCount(*allocatedSize) : QStringLiteral("-");
    return name + " " + padLeft(files, 13) + padLeft(size, 12);
}

int SnapshotOutput::readUnder(const CommandLine& line, const std::string& failure,
                              const std::function<void(const FileUrl& directory, StoreContext& context)>& read)
{
    const FileUrl directory = FileUrl::directory(absolutePath(line.value("--under").value_or("/")));
    const auto container = openExisting(line.value("--store"), directory.path());
    if (!container)
        return exitFailure;
    try {
        read(directory, *container->makeContext());
    } catch (const std::exception& error) { // store errors, and anything a damaged store provokes
        return cli::failure(failure + ": " + error.what());
    }
    return exitSuccess;
}

} // namespace vistrel::cli
