#include "FolderRescan.h"

#include "filesystem/FileSystemMetadata.h"
#include "filesystem/ResolvedItem.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "objectstore/StoreError.h"
#include "scanner/ResourceTypeCode.h"
#include "store/SnapshotCompletion.h"
#include "store/SnapshotEdit.h"
#include "store/VistrelModelContainer.h"

#include <cerrno>
#include <cstring>
#include <mutex>

namespace vistrel {

FolderRescan::Result FolderRescan::run(const FileUrl& folder, const std::shared_ptr<StoreContainer>& snapshot,
                                       std::stop_token stop, ScanProgress* progress)
{
    const FileUrl target = FileUrl::directory(folder.path());
    const std::string& path = target.path();
    auto context = snapshot->makeContext();
    const auto scanRoot = SnapshotCompletion::scanRoot(*snapshot);
    const bool isRoot = scanRoot && *scanRoot == path;
    const auto before
        = isRoot ? SnapshotCompletion::scanRootFile(*snapshot, target) : VistrelFile::file(target, *context);
    if (!before || !target.isDirectory())
        throw NotAFolder("it is not a folder of this snapshot");

    // Reached below the scan root without links or other mounts. A folder that is gone
    // leaves the snapshot; one that is something else now is its parent's business.
    Result result;
    if (!scanRoot)
        throw NotAFolder("the snapshot does not say which folder it scanned");
    const auto resolution = ResolvedItem::resolve(*scanRoot, path);
    if (!resolution.item && resolution.gone && !isRoot) {
        SnapshotEdit::removeItem(target, *context);
        result.fileCountChange = -before->fileCount.value_or(0);
        result.totalSizeChange = -before->totalSize.value_or(0);
        result.totalAllocatedSizeChange = -before->totalAllocatedSize.value_or(0);
        result.gone = true;
        return result;
    }
    if (!resolution.item)
        throw Refused(resolution.refusal);
    int error = 0;
    const DirectoryHandle opened = resolution.item->openFolder(&error);
    if (!opened.isValid())
        throw Refused(std::string("it cannot be opened: ") + std::strerror(error));

    // The walk's records are kept aside: the snapshot changes only once the walk is whole.
    std::mutex recordsMutex;
    std::vector<FileSystemRecord> records;
    const auto keep = [&](const FileSystemRecord& record, StoreContext&) {
        std::lock_guard lock(recordsMutex);
        records.push_back(record);
    };
    auto unused = VistrelModelContainer::shared().makeContainer(true); // the walker's batches stay empty
    FileSystemWalker::Options options;
    options.exclusions = ExclusionPatterns(SnapshotCompletion::exclusions(*snapshot));
    options.rootFd = opened.fd();
    FileSystemWalker walker(target, progress, unused, keep, {}, stop, options);
    result.seconds = walker.walk();
    result.statistics = walker.statistics();

    // A folder's figures hold its own blocks; the scan root's kept totals do not.
    std::int64_t files = result.statistics.rootFileCount;
    std::int64_t size = result.statistics.rootTotalSize;
    std::int64_t allocated = result.statistics.rootTotalAllocatedSize;
    if (!isRoot) {
        const FileStatus& own = resolution.item->status();
        size += static_cast<std::int64_t>(own.size);
        allocated += static_cast<std::int64_t>(own.allocatedSize);
    }
    result.fileCount = files;
    result.totalSize = size;
    result.totalAllocatedSize = allocated;
    result.fileCountChange = files - before->fileCount.value_or(0);
    result.totalSizeChange = size - before->totalSize.value_or(0);
    result.totalAllocatedSizeChange = allocated - before->totalAllocatedSize.value_or(0);

    context->setAutosaveEnabled(false);
    const std::int64_t level = target.pathComponentCount();
    SnapshotEdit::queueRemovalBelow(target, *context);
    for (const FileSystemRecord& record : records)
        VistrelFile::insert(record, *context);
    result.records = static_cast<std::int64_t>(records.size());
    if (isRoot) {
        SnapshotCompletion::recordRootTotalsAtSave(*context, {files, size, allocated});
    } else {
        // The folder's own row anew: one left without figures (unreadable before) gets them.
        context->removeWhere(SnapshotEdit::atLevel(level, StorePredicate::equal("id", path)));
        FileSystemRecord record;
        record.path = path;
        record.level = level;
        record.fileResourceType = ResourceTypeCode::directory;
        record.fileCount = files;
        record.totalSize = size;
        record.totalAllocatedSize = allocated;
        VistrelFile::insert(record, *context);
        SnapshotEdit::queueAncestorChange(
            target, {result.fileCountChange, result.totalSizeChange, result.totalAllocatedSizeChange}, *context);
    }
    SnapshotEdit::queueModified(*context);
    context->save();
    return result;
}

} // namespace vistrel
