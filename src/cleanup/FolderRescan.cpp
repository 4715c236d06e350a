#include "FolderRescan.h"

#include "filesystem/FileSystemMetadata.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "objectstore/StoreError.h"
#include "scanner/ResourceTypeCode.h"
#include "store/SnapshotCompletion.h"
#include "store/SnapshotEdit.h"
#include "store/VistrelModelContainer.h"

#include <cerrno>
#include <mutex>
#include <sys/stat.h>

namespace vistrel {


FolderRescan::Result FolderRescan::run(const FileUrl& folder, const std::shared_ptr<StoreContainer>& snapshot,
                                       std::stop_token stop, ScanProgress* progress)
{
    const FileUrl target = FileUrl::directory(folder.path());
    const std::string& path = target.path();
    auto context = snapshot->makeContext();
    const auto scanRoot = SnapshotCompletion::scanRoot(*snapshot);
    const bool isRoot = scanRoot && *scanRoot == path;
    const auto before = isRoot ? SnapshotCompletion::scanRootFile(*snapshot, target) : VistrelFile::file(target, *context);
    if (!before || !target.isDirectory())
        throw NotAFolder("it is not a folder of this snapshot");

    // A folder that is gone leaves the snapshot; one that is something else now is its
    // parent's business.
    Result result;
    struct stat status {};
    const std::string bare = path.size() > 1 ? path.substr(0, path.size() - 1) : path;
    const int found = ::lstat(bare.c_str(), &status);
    if (found != 0 && errno == ENOENT && !isRoot) {
        SnapshotEdit::removeItem(target, *context);
        result.fileCountChange = -before->fileCount.value_or(0);
        result.totalSizeChange = -before->totalSize.value_or(0);
        result.totalAllocatedSizeChange = -before->totalAllocatedSize.value_or(0);
        result.gone = true;
        return result;
    }
    if (found == 0 && !S_ISDIR(status.st_mode))
        throw NotAFolder("it is no longer a folder; rescan the folder holding it");

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
    FileSystemWalker walker(target, progress, unused, keep, {}, stop, options);
    result.seconds = walker.walk();
    result.statistics = walker.statistics();

    // A folder's figures hold its own blocks; the scan root's kept totals do not.
    std::int64_t files = result.statistics.rootFileCount;
    std::int64_t size = result.statistics.rootTotalSize;
    std::int64_t allocated = result.statistics.rootTotalAllocatedSize;
    if (!isRoot) {
        const FileStatus own = FileSystemMetadata::status(path);
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
