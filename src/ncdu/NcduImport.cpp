#include "NcduImport.h"

#include "filesystem/FileResourceType.h"
#include "filesystem/FileUrl.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "scanner/FileSystemRecord.h"
#include "scanner/ResourceTypeCode.h"
#include "scanner/SumSize.h"
#include "store/SnapshotCompletion.h"
#include "store/VistrelFile.h"

#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace vistrel {

namespace {

constexpr std::size_t rowsPerSave = 50000;
// Deep folders make long paths: a save also when the waiting rows hold this much.
constexpr std::size_t bytesPerSave = std::size_t{16} << 20;

bool plainPath(const std::string& path)
{
    const std::string folder = path.back() == '/' ? path : path + "/";
    return folder.find("/./") == std::string::npos && folder.find("/../") == std::string::npos;
}

class Builder : public NcduJsonReader::Handler {
public:
    explicit Builder(StoreContainer& container)
        : container_(container)
        , context_(container.makeContext())
    {
        context_->setAutosaveEnabled(false);
    }

    void metadata(const NcduJsonReader::Metadata& metadata) override
    {
        result.timestamp = metadata.timestamp;
        std::string program = metadata.programName.empty() ? "an unnamed program" : metadata.programName;
        if (!metadata.programVersion.empty())
            program += " " + metadata.programVersion;
        SnapshotCompletion::recordImportedFrom(container_, program);
    }

    void openDirectory(NcduJsonReader::Item&& item) override
    {
        Frame frame;
        if (frames_.empty()) {
            if (item.name.empty() || item.name.front() != '/')
                throw NcduJsonReader::Error("the top directory's name is not an absolute path", item.offset);
            if (item.name.find('\0') != std::string::npos)
                throw NcduJsonReader::Error("the top directory's name holds a NUL byte, which no path can",
                                            item.offset);
            // Kept as written, "/x/../.." would name folders other than the ones it shows.
            if (!plainPath(item.name))
                throw NcduJsonReader::Error("the top directory's name \"" + item.name
                                                + "\" has \".\" or \"..\" in it; give it as a plain absolute path",
                                            item.offset);
            path_ = FileUrl::directory(item.name).path();
            result.root = path_;
            frame.device = item.device.value_or(0);
        } else {
            Frame& parent = checkedParent(item);
            path_ += item.name + "/";
            frame.device = item.device.value_or(parent.device);
        }
        frame.pathLength = path_.size();
        frame.item = std::move(item);
        if (!frame.item.excluded.empty() && frames_.size() > 0) {
            // Left out of the scan, or another file system: a row without figures.
            FileSystemRecord record;
            record.path = path_;
            record.level = FileUrl::pathComponentCount(record.path);
            record.fileResourceType = ResourceTypeCode::directory;
            insert(record);
            frame.skipped = true;
        }
        if (frame.item.readError) {
            ++result.unreadableDirectories;
            if (unreadable_.size() < SnapshotCompletion::maximumUnreadableFolders)
                unreadable_.push_back({path_, "could not be read when the export was made"});
        }
        frames_.push_back(std::move(frame));
    }

    void file(NcduJsonReader::Item&& item) override
    {
        Frame& parent = checkedParent(item);
        if (parent.skipped)
            return;
        FileSystemRecord record;
        record.path = path_ + item.name;
        record.level = FileUrl::pathComponentCount(record.path);
        if (!item.notRegular)
            record.fileResourceType = ResourceTypeCode::regular;
        else
            record.fileResourceType = item.mode
                ? ResourceTypeCode::code(fileResourceTypeFromMode(static_cast<unsigned>(*item.mode)))
                : ResourceTypeCode::code(FileResourceType::unknown);
        const FileSize size{item.diskUsage.value_or(0), item.apparentSize.value_or(0)};
        record.totalSize = size.totalSize;
        record.totalAllocatedSize = size.totalAllocatedSize;
        // One file under several names is counted once in every folder that holds it.
        const bool linked = item.inode && (item.linkCount.value_or(1) > 1 || item.hardLinked);
        if (linked)
            parent.sum.add(FileID{*item.inode, item.device.value_or(parent.device)}, size);
        else
            parent.sum.addDistinct(size);
        ++parent.sum.fileCount;
        insert(record);
    }

    void closeDirectory() override
    {
        Frame frame = std::move(frames_.back());
        frames_.pop_back();
        const std::string path = path_;
        path_.resize(frames_.empty() ? 0 : frames_.back().pathLength);
        if (frame.skipped)
            return;
        const FileSize own{frame.item.diskUsage.value_or(0), frame.item.apparentSize.value_or(0)};
        if (!frames_.empty() && frame.names.empty() && own == FileSize{}) {
            // Empty and of no size, as a scan records an empty folder: without figures.
            FileSystemRecord record;
            record.path = path;
            record.level = FileUrl::pathComponentCount(record.path);
            record.fileResourceType = ResourceTypeCode::directory;
            insert(record);
            return;
        }
        frame.sum.addDistinct(own);
        // An export whose sizes cannot be added up is not a tree of files: refused, never wrapped.
        if (frame.sum.overflowed())
            throw NcduJsonReader::Error("the sizes in " + path + " add up to more than 9223372036854775807 bytes",
                                        frame.item.offset);
        const auto [allocated, size] = frame.sum.totals();
        if (frames_.empty()) {
            result.fileCount = frame.sum.fileCount;
            result.totalSize = size;
            result.totalAllocatedSize = allocated;
            return;
        }
        FileSystemRecord record;
        record.path = path;
        record.level = FileUrl::pathComponentCount(record.path);
        record.fileResourceType = ResourceTypeCode::directory;
        record.fileCount = frame.sum.fileCount;
        record.totalSize = size;
        record.totalAllocatedSize = allocated;
        insert(record);
        frames_.back().sum.merge(std::move(frame.sum));
    }

    void finish()
    {
        context_->save();
        SnapshotCompletion::recordRootTotals(container_,
                                             {result.fileCount, result.totalSize, result.totalAllocatedSize});
        SnapshotCompletion::recordUnreadableFolders(container_, unreadable_);
        const std::int64_t when = result.timestamp.value_or(0);
        SnapshotCompletion::recordScanFacts(container_, {when, when, result.records, std::nullopt});
        SnapshotCompletion::markFinished(container_, result.unreadableDirectories);
    }

    NcduImport::Result result;

private:
    // Each frame's path is the beginning of path_ (the innermost folder's), so that a deep
    // export holds one path, not one per level.
    struct Frame {
        std::size_t pathLength = 0;
        std::int64_t device = 0;
        NcduJsonReader::Item item;
        FileSystemWalker::SumSize sum;
        std::unordered_set<std::string> names;
        bool skipped = false; // excluded: its contents, if any, are not the snapshot's
    };

    // The folder an item goes in, once its name is one a folder can hold.
    Frame& checkedParent(const NcduJsonReader::Item& item)
    {
        if (item.name.empty())
            throw NcduJsonReader::Error("an item with an empty name", item.offset);
        if (item.name.find('\0') != std::string::npos)
            throw NcduJsonReader::Error("a name holding a NUL byte, which no file can have", item.offset);
        if (item.name.find('/') != std::string::npos || item.name == "." || item.name == "..")
            throw NcduJsonReader::Error("an item named \"" + item.name + "\", which no folder can hold", item.offset);
        Frame& parent = frames_.back();
        if (!parent.names.insert(item.name).second)
            throw NcduJsonReader::Error("the name \"" + item.name + "\" twice in " + path_.substr(0, parent.pathLength),
                                        item.offset);
        return parent;
    }

    void insert(const FileSystemRecord& record)
    {
        VistrelFile::insert(record, *context_);
        ++result.records;
        if (context_->pendingCount() >= rowsPerSave || context_->pendingBytes() >= bytesPerSave)
            context_->save();
    }

    StoreContainer& container_;
    std::unique_ptr<StoreContext> context_;
    std::vector<Frame> frames_;
    std::string path_;
    std::vector<SnapshotCompletion::UnreadableFolder> unreadable_;
};

} // namespace

NcduImport::Result NcduImport::run(int fd, StoreContainer& container,
                                   const std::function<void(std::uint64_t)>& progress)
{
    SnapshotCompletion::markUnfinished(container);
    Builder builder(container);
    NcduJsonReader::read(fd, builder, progress);
    SnapshotCompletion::recordScanRoot(container, builder.result.root);
    SnapshotCompletion::recordExclusions(container, {});
    builder.finish();
    return builder.result;
}

bool NcduImport::looksLikeExport(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    char start[64];
    const ssize_t got = ::read(fd, start, sizeof start);
    ::close(fd);
    std::string text(start, got > 0 ? static_cast<std::size_t>(got) : 0);
    std::string compact;
    for (const char c : text)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            compact += c;
    return compact.starts_with("[1,");
}

} // namespace vistrel
