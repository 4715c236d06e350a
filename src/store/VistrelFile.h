#pragma once

#include "filesystem/FileUrl.h"
#include "objectstore/StoreContext.h"

#include <QVariantMap>

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

    // Transient: never stored.
    bool loadedFromFileSystem() const { return loadedFromFileSystem_; }
    const std::optional<QVariantMap>& urlResources() const { return urlResources_; }
    const std::optional<QVariantMap>& fileAttrs() const { return fileAttrs_; }
    void loadFromFileSystem();

    // Derived accessors for the details panel; each loads first.
    std::optional<QString> contentTypeIdentifier();
    std::optional<std::int64_t> groupOwnerAccountID();
    std::optional<QString> groupOwnerAccountName();
    std::optional<std::int64_t> ownerAccountID();
    std::optional<QString> ownerAccountName();
    std::optional<std::int64_t> posixPermissions();
    std::optional<bool> immutable();
    std::optional<bool> appendOnly();
    std::optional<bool> busy();
    std::optional<std::int64_t> systemFileNumber();
    std::optional<std::int64_t> systemNumber();
    std::optional<QVariantMap> extendedAttributes(); // name to QByteArray

    // Queries (throw StoreError).
    static constexpr std::int64_t childrenLimit = 1000;
    static std::vector<VistrelFile> children(const FileUrl& directory, StoreContext& context);
    static std::optional<VistrelFile> file(const FileUrl& url, StoreContext& context);
    static bool snapshotExists(StoreContext& context); // the snapshot probe

    // The 31 resource keys loadFromFileSystem reads.
    static const QStringList& loadedResourceKeys();

private:
    VistrelFile() = default;
    std::string storeIdentity_;
    bool loadedFromFileSystem_ = false;
    std::optional<QVariantMap> urlResources_;
    std::optional<QVariantMap> fileAttrs_;
    std::optional<FileUrl> url_;
};

} // namespace vistrel

template <> struct std::hash<vistrel::VistrelFile> {
    std::size_t operator()(const vistrel::VistrelFile& file) const noexcept { return file.hash(); }
};
