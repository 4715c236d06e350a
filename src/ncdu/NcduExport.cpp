#include "NcduExport.h"

#include "filesystem/MountTable.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "objectstore/StoreCursor.h"
#include "objectstore/StoreError.h"
#include "scanner/ExclusionPatterns.h"
#include "scanner/ResourceTypeCode.h"
#include "store/SnapshotCompletion.h"
#include "store/VistrelFile.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace vistrel {

namespace {

// Buffered writes to a descriptor; a failed write ends the export.
class Output {
public:
    explicit Output(int fd)
        : fd_(fd)
    {
        buffer_.reserve(capacity);
    }
    void put(std::string_view text)
    {
        buffer_.append(text);
        if (buffer_.size() >= capacity)
            flush();
    }
    void flush()
    {
        std::size_t written = 0;
        while (written < buffer_.size()) {
            const ssize_t put = ::write(fd_, buffer_.data() + written, buffer_.size() - written);
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0)
                throw NcduExport::WriteError(std::string("cannot write the export: ") + std::strerror(errno));
            written += static_cast<std::size_t>(put);
        }
        buffer_.clear();
    }

private:
    static constexpr std::size_t capacity = 1 << 20;
    int fd_;
    std::string buffer_;
};

// JSON's escapes for '"', '\' and control characters; every other byte as it is.
void putString(Output& out, std::string_view bytes)
{
    static const char* hex = "0123456789abcdef";
    std::string text = "\"";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else if (byte < 0x20) {
            text += "\\u00";
            text += hex[byte >> 4];
            text += hex[byte & 0xf];
        } else {
            text += c;
        }
    }
    text += '"';
    out.put(text);
}

struct Row {
    std::string id;
    std::string name;
    std::optional<std::int64_t> type;
    std::optional<std::int64_t> fileCount;
    std::int64_t size = 0;
    std::int64_t allocated = 0;
    bool measured = false; // has figures
    bool isDirectory() const { return id.back() == '/'; }
};

std::optional<std::int64_t> integer(const StoreValueView& value)
{
    if (const auto* number = std::get_if<std::int64_t>(&value))
        return *number;
    return std::nullopt;
}

unsigned typeBits(std::uint8_t code)
{
    const auto type = ResourceTypeCode::type(code);
    switch (type.value_or(FileResourceType::unknown)) {
    case FileResourceType::namedPipe:
        return S_IFIFO;
    case FileResourceType::characterSpecial:
        return S_IFCHR;
    case FileResourceType::blockSpecial:
        return S_IFBLK;
    case FileResourceType::symbolicLink:
        return S_IFLNK;
    case FileResourceType::socket:
        return S_IFSOCK;
    default:
        return 0;
    }
}

class Exporter {
public:
    Exporter(StoreContext& context, int fd)
        : context_(context)
        , out_(fd)
    {
        StoreContainer& container = context.container();
        exclusions_ = ExclusionPatterns(SnapshotCompletion::exclusions(container));
        if (const auto unreadable = SnapshotCompletion::unreadableFolders(container))
            for (const auto& folder : *unreadable)
                unreadable_.insert(folder.path);
        for (const MountTable::Mount& mount : MountTable::read())
            mountPoints_.insert(mount.mountPoint == "/" ? "/" : mount.mountPoint + "/");
    }

    NcduExport::Result run(const FileUrl& directory, const std::string& programVersion)
    {
        StoreContainer& container = context_.container();
        std::optional<VistrelFile> top = SnapshotCompletion::scanRootFile(container, directory);
        if (!top)
            top = VistrelFile::file(directory, context_);
        if (!top)
            throw StoreError(StoreError::Code::failed, "no directory " + directory.path() + " in the snapshot");
        const auto facts = SnapshotCompletion::scanFacts(container);
        const std::int64_t timestamp = facts
            ? facts->endedAt
            : std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
                  .count();
        out_.put("[1,2,{\"progname\":\"vistrel\",\"progver\":");
        putString(out_, programVersion);
        out_.put(",\"timestamp\":" + std::to_string(timestamp) + "},\n");

        Row root;
        root.id = directory.path();
        std::string rootName = directory.path();
        if (rootName.size() > 1)
            rootName.pop_back();
        root.name = rootName;
        root.size = top->totalSize.value_or(0);
        root.allocated = top->totalAllocatedSize.value_or(0);
        root.measured = top->totalAllocatedSize.has_value() || top->fileCount.has_value();
        rows_ = context_.openFolderCursor(
            directory.path(), {"id", "name", "fileResourceType", "fileCount", "totalSize", "totalAllocatedSize"});
        advance();
        writeDirectory(root);
        out_.put("]\n");
        out_.flush();
        return {items_};
    }

private:
    struct Level {
        std::vector<Row> rows;
        std::size_t next = 0;
    };

    // The directory's info object and then everything below it, depth first, without recursing.
    void writeDirectory(const Row& top)
    {
        std::vector<Level> path;
        openDirectory(top, path);
        while (!path.empty()) {
            Level& level = path.back();
            if (level.next == level.rows.size()) {
                out_.put("]");
                path.pop_back();
                continue;
            }
            const Row row = std::move(level.rows[level.next++]);
            out_.put(",\n");
            if (row.isDirectory())
                openDirectory(row, path);
            else
                writeInfo(row, row.size, row.allocated, false);
        }
    }

    void openDirectory(const Row& directory, std::vector<Level>& path)
    {
        Level level;
        std::int64_t size = 0;
        std::int64_t allocated = 0;
        const bool entered = directory.measured || !unvisited(directory.id);
        if (entered) {
            level.rows = children(directory.id);
            for (const Row& row : level.rows) {
                size += row.size;
                allocated += row.allocated;
            }
        }
        out_.put("[");
        // What the directory adds to its contents is its own; links counted twice below it
        // can make that less than nothing, which ncdu cannot hold.
        writeInfo(directory, std::max<std::int64_t>(0, directory.size - size),
                  std::max<std::int64_t>(0, directory.allocated - allocated), true);
        path.push_back(std::move(level));
    }

    bool unvisited(const std::string& id) const
    {
        return unreadable_.contains(id) || exclusions_.excludes(id) || mountPoints_.contains(id);
    }

    void writeInfo(const Row& row, std::int64_t size, std::int64_t allocated, bool directory)
    {
        ++items_;
        out_.put("{\"name\":");
        putString(out_, row.name);
        out_.put(",\"asize\":" + std::to_string(size) + ",\"dsize\":" + std::to_string(allocated));
        if (directory && !row.measured) {
            if (unreadable_.contains(row.id))
                out_.put(",\"read_error\":true");
            else if (exclusions_.excludes(row.id))
                out_.put(",\"excluded\":\"pattern\"");
            else if (mountPoints_.contains(row.id))
                out_.put(",\"excluded\":\"otherfs\"");
        } else if (directory && unreadable_.contains(row.id)) {
            out_.put(",\"read_error\":true");
        }
        if (!directory && row.type && *row.type != ResourceTypeCode::regular) {
            // The kind of file in the mode's type bits (the snapshot keeps no permissions).
            out_.put(",\"notreg\":true");
            if (const unsigned bits = typeBits(static_cast<std::uint8_t>(*row.type)))
                out_.put(",\"mode\":" + std::to_string(bits));
        }
        out_.put("}");
    }

    // The rows of a directory: the cursor's next folder when it is this one. Directories are
    // asked for in path order, as the folders come, so folders before this one belong to
    // directories left out (or to none the snapshot holds) and are passed over.
    std::vector<Row> children(const std::string& directory)
    {
        std::vector<Row> rows;
        while (hasNext_ && nextFolder() < directory)
            advance();
        while (hasNext_ && nextFolder() == directory) {
            rows.push_back(std::move(next_));
            advance();
        }
        return rows;
    }

    std::string_view nextFolder() const
    {
        const std::size_t slash = next_.id.rfind('/', next_.id.size() - 2);
        return std::string_view(next_.id).substr(0, slash + 1);
    }

    void advance()
    {
        hasNext_ = false;
        while (!hasNext_ && rows_->next()) {
            const auto values = rows_->values();
            next_ = Row();
            if (const auto* id = std::get_if<std::string_view>(&values[0]))
                next_.id = *id;
            if (const auto* name = std::get_if<std::string_view>(&values[1]))
                next_.name = *name;
            next_.type = integer(values[2]);
            next_.fileCount = integer(values[3]);
            next_.size = integer(values[4]).value_or(0);
            next_.allocated = integer(values[5]).value_or(0);
            next_.measured = integer(values[5]).has_value() || next_.fileCount.has_value();
            hasNext_ = next_.id.size() > 1; // a row without a path below the folder is no item
        }
    }

    StoreContext& context_;
    Output out_;
    ExclusionPatterns exclusions_;
    std::unordered_set<std::string> unreadable_;
    std::unordered_set<std::string> mountPoints_;
    std::int64_t items_ = 0;
    std::unique_ptr<StoreCursor> rows_;
    Row next_; // the cursor's row not taken yet, when hasNext_
    bool hasNext_ = false;
};

} // namespace

NcduExport::Result NcduExport::run(StoreContext& context, const FileUrl& directory, int fd,
                                   const std::string& programVersion)
{
    Exporter exporter(context, fd);
    return exporter.run(directory, programVersion);
}

} // namespace vistrel
