#include "FileSystemWalker.h"

#include "FileSystemWalkerError.h"
#include "RecordsManager.h"
#include "ResourceTypeCode.h"
#include "SumSize.h"
#include "SyncronizationActor.h"
#include "filesystem/DirectoryHandle.h"
#include "filesystem/DirectoryListing.h"
#include "filesystem/FileSystemError.h"
#include "filesystem/FileSystemMetadata.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "services/LargeStackThread.h"
#include "services/Log.h"

#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/task_arena.h>
#include <oneapi/tbb/task_group.h>

#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/resource.h>
#include <unistd.h>

namespace vistrel {

namespace {

using SumSize = FileSystemWalker::SumSize;
using VisitResult = std::pair<FileSystemRecord, SumSize>;

// Directories this user owns can be listed without touching their access date.
const std::uint32_t effectiveUser = ::geteuid();

// A level of the tree takes well under 2 KiB of stack, so the default maximum depth of
// 100,000 levels fits.
constexpr std::size_t stackBytes = std::size_t{256} << 20;

// Paths up to this long are kept while a directory's subdirectories are walked; longer ones
// are put together again afterwards, so that a walk thousands of levels deep holds each name
// once rather than a path per level.
constexpr std::size_t keptPathLength = 4096;

FileSystemRecord unvisitedRecord(std::string path)
{
    FileSystemRecord record;
    record.level = FileUrl::pathComponentCount(path);
    record.path = std::move(path);
    record.fileResourceType = ResourceTypeCode::directory;
    return record;
}

// Every open directory of the walk holds an fd until its subdirectories are done.
void raiseOpenFileLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

// A directory of the walk: its parent's place and its name (the root: its whole path).
struct FileSystemWalker::Place {
    const Place* parent = nullptr;
    std::string_view name;
    std::size_t length = 0; // of the whole path
    std::int64_t level = 0; // the path's component count

    Place(const Place* parent, std::string_view name)
        : parent(parent)
        , name(name)
        , length(parent ? parent->length + name.size() + 1 : name.size())
        , level(parent ? parent->level + 1 : FileUrl::pathComponentCount(name))
    {
    }

    std::string path() const
    {
        std::string path(length, '/');
        for (const Place* place = this; place; place = place->parent) {
            const std::size_t end = place->length - (place->parent ? 1 : 0);
            path.replace(end - place->name.size(), place->name.size(), place->name);
        }
        return path;
    }
};

struct FileSystemWalker::Walk {
    Walk(FileUrl root, ScanProgress* progress, std::shared_ptr<StoreContainer> container, RecordEncoder encoder,
         MainThreadHop hop, std::stop_token stopToken, Options options)
        : root(FileUrl::directory(root.path()))
        , container(std::move(container))
        , encoder(std::move(encoder))
        , stopToken(std::move(stopToken))
        , options(std::move(options))
        , syncronizationActor(progress, std::move(hop), this->options.maxConcurrentTasks)
        , dbManager(this->options.batchSize)
    {
    }

    FileUrl root;
    std::shared_ptr<StoreContainer> container;
    RecordEncoder encoder;
    std::stop_token stopToken;
    Options options;
    SyncronizationActor syncronizationActor;
    RecordsManager dbManager;

    std::int64_t systemNumber = 0;
    std::optional<std::uint64_t> mountId;
    std::atomic<std::int64_t> savedRecords{0};
    std::atomic<std::int64_t> batchesDuringWalk{0};
    std::atomic<std::int64_t> batchesAtEnd{0};
    std::atomic<std::size_t> batchNumber{0};
    std::atomic<std::int64_t> unreadableDirectories{0};
    std::atomic<std::int64_t> excludedDirectories{0};
    Statistics rootTotals;

    void checkCancelled() const
    {
        if (stopToken.stop_requested())
            throw FileSystemWalkerError::cancelled();
    }

    void directoryUnreadable(const std::string& path, const std::string& reason)
    {
        ++unreadableDirectories;
        Log::error(LogCategory::fileSystemWalker,
                   "error while getting the contents of directory " + path + ". " + reason);
        if (options.unreadableDirectory)
            options.unreadableDirectory(path, reason);
    }

    // `path`: the place's path, or empty when it was let go for being long.
    std::optional<SumSize> walkDirectory(const Place& place, const std::string& path, DirectoryHandle directory,
                                         std::size_t depth);
    void collectEntries(const std::string& path, std::int64_t level, int directoryFd, const DirectoryListing& listing,
                        SumSize& sum, std::vector<std::string>& subdirectories);
    std::vector<VisitResult> walkChunk(std::size_t start, std::size_t end, const Place& place, const std::string& path,
                                       int directoryFd, const std::vector<std::string>& subdirectories,
                                       std::size_t depth);
    // `parentPath` as walkDirectory's `path`.
    VisitResult visitSubdirectory(const Place& parent, const std::string& parentPath, int parentFd,
                                  const std::string& name, std::size_t depth);
    void submit(std::vector<FileSystemRecord>&& records, bool cancellable);
    void saveToDatabase(std::vector<FileSystemRecord>&& batch, bool cancellable);
};

FileSystemWalker::FileSystemWalker(FileUrl root, ScanProgress* progress, std::shared_ptr<StoreContainer> container,
                                   RecordEncoder encoder, MainThreadHop runOnMainThread, std::stop_token stopToken,
                                   Options options)
    : walk_(std::make_unique<Walk>(std::move(root), progress, std::move(container), std::move(encoder),
                                   std::move(runOnMainThread), std::move(stopToken), std::move(options)))
{
}

FileSystemWalker::FileSystemWalker(FileUrl root, ScanProgress* progress, std::shared_ptr<StoreContainer> container,
                                   RecordEncoder encoder, MainThreadHop runOnMainThread, std::stop_token stopToken)
    : FileSystemWalker(std::move(root), progress, std::move(container), std::move(encoder), std::move(runOnMainThread),
                       std::move(stopToken), Options{})
{
}

FileSystemWalker::~FileSystemWalker() = default;

std::int64_t FileSystemWalker::defaultMaxConcurrentTasks()
{
    static const std::int64_t count = static_cast<std::int64_t>(FileSystemMetadata::processorCount()) * 8;
    return count;
}

int FileSystemWalker::defaultThreadCount()
{
    // Measured on the benchmark tree with 2 processors: 2 threads were fastest warm but 35%
    // slower cold; 8 were 10% faster cold but 10% slower warm and used 40% more memory.
    return static_cast<int>(FileSystemMetadata::processorCount()) * 2;
}

std::vector<std::pair<std::size_t, std::size_t>> FileSystemWalker::chunkRanges(std::size_t count, std::int64_t granted)
{
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    if (granted <= 0 || count == 0)
        return ranges;
    const std::size_t chunk = std::max<std::size_t>(1, count / static_cast<std::size_t>(granted));
    for (std::size_t start = 0; start < count; start += chunk)
        ranges.emplace_back(start, std::min(count, start + chunk));
    return ranges;
}

FileSystemWalker::Statistics FileSystemWalker::statistics() const
{
    Statistics statistics = walk_->rootTotals;
    statistics.savedRecords = walk_->savedRecords;
    statistics.batchesSavedDuringWalk = walk_->batchesDuringWalk;
    statistics.batchesSavedAtEnd = walk_->batchesAtEnd;
    statistics.unreadableDirectories = walk_->unreadableDirectories;
    statistics.excludedDirectories = walk_->excludedDirectories;
    return statistics;
}

double FileSystemWalker::walk()
{
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed
        = [&start] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    Walk& state = *walk_;
    FileStatus rootStatus;
    const int givenRoot = state.options.rootFd;
    try {
        if (givenRoot >= 0) {
            int error = 0;
            const auto status = FileSystemMetadata::statusAt(givenRoot, "", &error);
            if (!status)
                return elapsed();
            rootStatus = *status;
        } else {
            rootStatus = FileSystemMetadata::status(state.root.path());
        }
    } catch (const FileSystemError&) {
        return elapsed(); // nothing can be scanned, and that is not an error of the walk
    }
    state.systemNumber = static_cast<std::int64_t>(rootStatus.device);
    state.mountId = rootStatus.mountId;
    raiseOpenFileLimit();

    int errorNumber = 0;
    DirectoryHandle rootDirectory = givenRoot >= 0
        ? DirectoryHandle(::fcntl(givenRoot, F_DUPFD_CLOEXEC, 0))
        : DirectoryHandle::openPathForListing(state.root.path(), &errorNumber);
    if (givenRoot >= 0 && !rootDirectory.isValid())
        errorNumber = errno;
    std::optional<SumSize> rootSum;
    if (!rootDirectory.isValid()) {
        state.directoryUnreadable(state.root.path(), std::strerror(errorNumber));
    } else {
        const int threads = state.options.threadCount > 0 ? state.options.threadCount : defaultThreadCount();
        // oneTBB caps its workers at the processor count unless told otherwise.
        tbb::global_control allowThreads(tbb::global_control::max_allowed_parallelism,
                                         static_cast<std::size_t>(threads));
        // Each level of the tree is a few frames of recursion; stacks are reserved, not used,
        // until a tree is that deep.
        tbb::global_control deepStacks(tbb::global_control::thread_stack_size, stackBytes);
        LargeStackThread::run(stackBytes, [&] {
            tbb::task_arena arena(threads, 1, tbb::task_arena::priority::normal);
            const std::string rootPath = state.root.path();
            const Place rootPlace(nullptr, rootPath);
            arena.execute([&] { rootSum = state.walkDirectory(rootPlace, rootPath, std::move(rootDirectory), 1); });
        });
    }
    if (rootSum) {
        const auto [allocated, size] = rootSum->totals();
        state.rootTotals.rootFileCount = rootSum->fileCount;
        state.rootTotals.rootTotalSize = size;
        state.rootTotals.rootTotalAllocatedSize = allocated;
        state.rootTotals.totalsHeldAtMaximum = rootSum->overflowed();
        if (rootSum->overflowed())
            Log::error(LogCategory::fileSystemWalker,
                       "the sizes below " + state.root.path()
                           + " add up to more than 2^63-1 bytes; their totals "
                             "are held at that value");
    }
    std::vector<FileSystemRecord> remainder = state.dbManager.takePending();
    if (!remainder.empty()) {
        state.saveToDatabase(std::move(remainder), true);
        ++state.batchesAtEnd;
    }
    state.container->releaseMemory();
    return elapsed();
}

std::optional<SumSize> FileSystemWalker::Walk::walkDirectory(const Place& place, const std::string& path,
                                                             DirectoryHandle directory, std::size_t depth)
{
    checkCancelled();
    if (depth > options.maximumDepth) {
        directoryUnreadable(place.path(), "The directory is nested too deeply to be walked.");
        return std::nullopt;
    }
    SumSize sum;
    std::vector<std::string> subdirectories;
    {
        // One listing buffer per thread: the entries step runs to its end without yielding.
        thread_local DirectoryListing listing;
        if (const int error = listing.read(directory.fd()); error != 0) {
            directoryUnreadable(place.path(), std::strerror(error));
            return std::nullopt;
        }
        if (listing.empty())
            return std::nullopt;
        collectEntries(path.empty() ? place.path() : path, place.level, directory.fd(), listing, sum, subdirectories);
    }

    const std::int64_t granted = syncronizationActor.reserveTasks(static_cast<std::int64_t>(subdirectories.size()));
    std::vector<FileSystemRecord> records;
    records.reserve(subdirectories.size());
    if (granted == 0) {
        for (const std::string& name : subdirectories) {
            auto [record, child] = visitSubdirectory(place, path, directory.fd(), name, depth + 1);
            records.push_back(std::move(record));
            sum.merge(std::move(child));
        }
    } else {
        std::mutex finishedMutex;
        std::vector<std::vector<VisitResult>> finished; // in the order the tasks finish
        tbb::task_group group;
        for (const auto& [start, end] : FileSystemWalker::chunkRanges(subdirectories.size(), granted)) {
            group.run([&, start = start, end = end] {
                auto results = walkChunk(start, end, place, path, directory.fd(), subdirectories, depth + 1);
                std::lock_guard lock(finishedMutex);
                finished.push_back(std::move(results));
            });
        }
        // A failed child cancels the group; wait() rethrows its error here. A group cancelled
        // from outside (a failure elsewhere in the walk) returns without running all its
        // chunks: this directory's totals would be partial, so it must not be submitted.
        if (group.wait() == tbb::task_group_status::canceled)
            throw FileSystemWalkerError::cancelled();
        for (auto& results : finished) {
            for (auto& [record, child] : results) {
                sum.merge(std::move(child));
                records.push_back(std::move(record));
            }
        }
    }
    submit(std::move(records), true);
    return sum;
}

void FileSystemWalker::Walk::collectEntries(const std::string& path, std::int64_t level, int directoryFd,
                                            const DirectoryListing& listing, SumSize& sum,
                                            std::vector<std::string>& subdirectories)
{
    std::vector<FileSystemRecord> records;
    records.reserve(std::min(listing.size(), options.batchSize));
    std::string entryPath;
    const std::int64_t entryLevel = level + 1;
    for (const DirectoryListing::Entry& entry : listing.entries()) {
        // A directory of a million entries goes to the writer a batch at a time.
        if (records.size() >= options.batchSize) {
            submit(std::move(records), false);
            records = {};
            records.reserve(options.batchSize);
        }
        if (entry.type == DT_DIR) {
            subdirectories.emplace_back(entry.name);
            continue;
        }
        entryPath.reserve(path.size() + entry.name.size());
        entryPath.assign(path).append(entry.name);
        // The listing's name is a view into a NUL-terminated kernel record.
        auto made = FileSystemWalker::makeRecord(entryPath, entryLevel, directoryFd, entry.name.data(), nullptr);
        if (!made)
            continue; // vanished or unreadable since the listing: skipped silently
        if (made->identityMayRecur)
            sum.add(made->id, made->size);
        else
            sum.addDistinct(made->size);
        ++sum.fileCount;
        records.push_back(std::move(made->record));
    }
    // Not cancellable: once started, a directory's entries always reach the writer.
    submit(std::move(records), false);
}

std::vector<VisitResult> FileSystemWalker::Walk::walkChunk(std::size_t start, std::size_t end, const Place& place,
                                                           const std::string& path, int directoryFd,
                                                           const std::vector<std::string>& subdirectories,
                                                           std::size_t depth)
{
    std::vector<VisitResult> results;
    results.reserve(end - start);
    for (std::size_t index = start; index < end; ++index) {
        results.push_back(visitSubdirectory(place, path, directoryFd, subdirectories[index], depth));
        syncronizationActor.releaseTask();
        checkCancelled();
    }
    return results;
}

VisitResult FileSystemWalker::Walk::visitSubdirectory(const Place& parent, const std::string& parentPath, int parentFd,
                                                      const std::string& name, std::size_t depth)
{
    const Place place(&parent, name);
    std::string path = parentPath.empty() ? place.path() : parentPath + name + "/";
    const auto attributes = FileSystemMetadata::scanStatusAt(parentFd, name.c_str());
    // Another file system, or another mount of this one, is recorded but not entered.
    const bool sameFileSystem = attributes && static_cast<std::int64_t>(attributes->device) == systemNumber
        && (!mountId || !attributes->mountId || *attributes->mountId == *mountId);
    if (sameFileSystem && attributes->isDirectory() && options.exclusions.excludes(path)) {
        ++excludedDirectories;
    } else if (sameFileSystem && attributes->isDirectory()) {
        int errorNumber = 0;
        DirectoryHandle directory = DirectoryHandle::openForListingAt(
            parentFd, name.c_str(), attributes->ownerId == effectiveUser, &errorNumber);
        if (!directory.isValid()) {
            directoryUnreadable(path, std::strerror(errorNumber));
        } else {
            if (path.size() > keptPathLength)
                std::string().swap(path);
            auto child = walkDirectory(place, path, std::move(directory), depth);
            if (path.empty())
                path = place.path();
            if (child) {
                if (auto made = FileSystemWalker::makeRecord(path, place.level, parentFd, name.c_str(), &*attributes)) {
                    child->addDistinct(made->size); // a directory has exactly one path
                    const auto [allocated, size] = child->totals();
                    FileSystemRecord& record = made->record;
                    record.fileCount = child->fileCount;
                    record.totalSize = size;
                    record.totalAllocatedSize = allocated;
                    return {std::move(record), std::move(*child)};
                }
            }
        }
    }
    return {unvisitedRecord(std::move(path)), SumSize{}};
}

void FileSystemWalker::Walk::submit(std::vector<FileSystemRecord>&& records, bool cancellable)
{
    syncronizationActor.advance(static_cast<std::int64_t>(records.size()));
    if (auto batch = dbManager.append(std::move(records))) {
        saveToDatabase(std::move(*batch), cancellable);
        ++batchesDuringWalk;
    }
}

void FileSystemWalker::Walk::saveToDatabase(std::vector<FileSystemRecord>&& batch, bool cancellable)
{
    const std::size_t number = batchNumber++;
    if (options.beforeBatchSave)
        options.beforeBatchSave(number);
    const auto count = static_cast<std::int64_t>(batch.size());
    auto context = container->makeContext();
    context->setAutosaveEnabled(false);
    std::size_t pathBytes = 0;
    for (const FileSystemRecord& record : batch)
        pathBytes += record.path.size();
    context->reserve(batch.size(), 2 * pathBytes); // the path and the name within it
    for (const FileSystemRecord& record : batch) {
        if (cancellable)
            checkCancelled(); // the unsaved context is dropped with everything of this batch
        encoder(record, *context);
    }
    batch = {}; // the rows now live in the context
    if (cancellable)
        checkCancelled();
    context->save();
    savedRecords += count;
}

std::optional<FileSystemWalker::MadeRecord> FileSystemWalker::makeRecord(std::string path, std::int64_t level,
                                                                         int parentDirectoryFd, const char* name,
                                                                         const FileStatus* attributes)
{
    // On Linux the attributes and the resource values come from the same statx, so an item
    // read once by the caller is not read again.
    std::optional<FileStatus> read;
    if (!attributes) {
        read = FileSystemMetadata::scanStatusAt(parentDirectoryFd, name);
        if (!read)
            return std::nullopt;
        attributes = &*read;
    }
    MadeRecord made;
    made.id = FileID{static_cast<std::int64_t>(attributes->inode), static_cast<std::int64_t>(attributes->device)};
    made.size = FileSize{attributes->allocatedSize, attributes->size};
    made.identityMayRecur = !attributes->isDirectory() && attributes->linkCount > 1;
    FileSystemRecord& record = made.record;
    record.level = level;
    record.path = std::move(path);
    record.fileResourceType = ResourceTypeCode::code(attributes->resourceType());
    record.totalSize = attributes->size;
    record.totalAllocatedSize = attributes->allocatedSize;
    // Linux has no purgeable files: isPurgeable stays absent.
    return made;
}

std::optional<FileSystemWalker::MadeRecord> FileSystemWalker::makeRecord(const FileUrl& url,
                                                                         const FileStatus* attributes)
{
    std::string name;
    const DirectoryHandle parent = DirectoryHandle::openContaining(url.path(), &name);
    if (!parent.isValid())
        return std::nullopt;
    return makeRecord(url.path(), url.pathComponentCount(), parent.fd(), name.c_str(), attributes);
}

} // namespace vistrel
