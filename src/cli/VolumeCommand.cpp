#include "Commands.h"
#include "JsonWriter.h"
#include "SnapshotOutput.h"

#include "filesystem/FileSystemError.h"
#include "filesystem/UsedSpace.h"
#include "filesystem/VolumeFigures.h"
#include "objectstore/StoreContainer.h"
#include "store/SnapshotCompletion.h"
#include "store/VistrelModelContainer.h"

#include <QVariantList>
#include <QVariantMap>

#include <cstdio>
#include <sys/stat.h>

namespace vistrel::cli {

namespace {

void writeSplit(JsonWriter& json, const std::optional<std::string>& root, const UsedSpace& space,
                std::optional<std::int64_t> unreadable)
{
    QVariantList inside;
    for (const auto& mount : space.mountedInside)
        inside.append(QVariantMap{{QStringLiteral("mountPoint"), QString::fromStdString(mount.mountPoint)},
                                  {QStringLiteral("type"), QString::fromStdString(mount.type)},
                                  {QStringLiteral("used"), QVariant::fromValue<qlonglong>(mount.used)}});
    json.beginObject("usedSpace");
    if (root)
        json.string("scanRoot", *root);
    else
        json.null("scanRoot");
    json.integer("used", space.used)
        .integer("scanned", root ? std::optional<std::int64_t>(space.scanned) : std::nullopt)
        .integer("reserved", space.reserved)
        .integer("deletedOpen", space.deletedOpen)
        .integer("rest", root ? std::optional<std::int64_t>(space.rest()) : std::nullopt)
        .integer("unreadableFolders", unreadable)
        .variant("mountedInside", inside)
        .endObject();
}

// The split of the used space: the reserved blocks, deleted files still open and mounts
// need no snapshot; what was scanned and the rest come from one of this volume's root.
// False, with the reason on stderr, when the snapshot cannot be read.
bool writeUsedSpace(JsonWriter& json, const std::optional<std::string>& store)
{
    const std::string location = store ? absolutePath(*store) : VistrelModelContainer::onDiskStoreLocation("/");
    struct stat status { };
    if (::stat(location.c_str(), &status) != 0) {
        writeSplit(json, std::nullopt, UsedSpace::measure("/", 0), std::nullopt);
        return true;
    }
    const auto container = SnapshotOutput::openExisting(store, "/");
    if (!container)
        return false;
    const auto root = SnapshotCompletion::scanRoot(*container).value_or("/");
    const auto totals = SnapshotCompletion::rootTotals(*container);
    const UsedSpace space = UsedSpace::measure(root, totals ? totals->totalAllocatedSize : 0);
    writeSplit(json, totals ? std::optional<std::string>(root) : std::nullopt, space,
               SnapshotCompletion::unreadableDirectories(*container));
    return true;
}

} // namespace

const CommandLine::Spec volumeCommandLine{"volume", {{"--store", "FILE"}}, {}};

int runVolume(const std::vector<std::string>& arguments)
{
    std::string problem;
    const auto line = CommandLine::parse(volumeCommandLine, arguments, &problem);
    if (!line)
        return usageError(problem);
    const std::optional<std::string> store = line->value("--store");
    try {
        const VolumeFigures figures = VolumeFigures::read("/");
        JsonWriter json;
        json.beginObject().string("path", "/");
        json.integer("totalCapacity", figures.totalCapacity)
            .integer("availableCapacity", figures.availableCapacity)
            .integer("resourceCount", figures.resourceCount);
        if (figures.localizedFormatDescription)
            json.string("localizedFormatDescription", *figures.localizedFormatDescription);
        else
            json.null("localizedFormatDescription");
        if (figures.localizedName)
            json.string("localizedName", *figures.localizedName);
        else
            json.null("localizedName");
        if (!writeUsedSpace(json, store))
            return exitFailure;
        json.endObject();
        std::printf("%s\n", json.text().c_str());
        return exitSuccess;
    } catch (const FileSystemError& error) {
        std::fprintf(stderr, "vistrel-cli: cannot read the volume of /: %s\n", error.localizedDescription().c_str());
        return exitFailure;
    } catch (const std::exception& error) { // a damaged store
        return failure(std::string("cannot read the snapshot: ") + error.what());
    }
}

} // namespace vistrel::cli
