#pragma once

#include "filesystem/FileUrl.h"
#include "filesystem/LiveProperties.h"
#include "objectstore/StoreContext.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vistrel {

struct FileSystemRecord;
class StoreContext;

// One scanned item as the snapshot holds it, with its queries and its live properties,
// loaded from the file system on first use.
class VistrelFile {
public:
    // Stored attributes, in stored order.
    std::string id; // absolute path; directories end with '/'
    std::string name;
    std::int64_t level = 0;
    std::optional<std::uint8_t> fileResourceType;
    std::optional<std::int64_t> fileCount;
    std::optional<std::int64_t> totalSize;
    std::optional<std::int64_t> totalAllocatedSize;
    std::optional<bool> isPurgeable;

    explicit VistrelFile(const FileSystemRecord& record);
    explicit VistrelFile(FileSystemRecord&& record); // takes the path without copying it
    // Throws StoreError when the stored values do not have the schema's shape.
    static VistrelFile fromStored(StoredObject&& object, std::string storeIdentity);
    // Inserts the entity of a record, as the walker's batching writer does, without
    // building the object.
    static void insert(const FileSystemRecord& record, StoreContext& context);
    StoredObject toStored() const&;
    StoredObject toStored() &&;

    // Equal when they stand for the same stored entity.
    bool operator==(const VistrelFile& other) const;
    std::size_t hash() const;

    const FileUrl& url();

    // Transient: never stored. Read from the file system once, on first use; absent when that
    // failed (and it is not tried again).
    bool loadedFromFileSystem() const { return loadedFromFileSystem_; }
    const std::optional<LiveProperties>& live() const { return live_; }
    const std::optional<LiveProperties>& loadFromFileSystem();
    // The content type, unless it is only the guess for unknown data. Loads first.
    std::optional<QString> contentTypeIdentifier();

    // Queries (throw StoreError).
    static constexpr std::int64_t childrenLimit = 1000;
    static std::vector<VistrelFile> children(const FileUrl& directory, StoreContext& context);
    static std::optional<VistrelFile> file(const FileUrl& url, StoreContext& context);
    static bool snapshotExists(StoreContext& context); // the snapshot probe

private:
    VistrelFile() = default;
    std::string storeIdentity_;
    bool loadedFromFileSystem_ = false;
    std::optional<LiveProperties> live_;
    std::optional<FileUrl> url_;
};

} // namespace vistrel

template <> struct std::hash<vistrel::VistrelFile> {
    std::size_t operator()(const vistrel::VistrelFile& file) const noexcept { return file.hash(); }
};
