#include "VistrelFile.h"

#include "filesystem/FileSystemError.h"
#include "filesystem/FileSystemMetadata.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"
#include "scanner/FileSystemRecord.h"
#include "services/Log.h"

#include <functional>

namespace vistrel {

namespace {

enum Attribute {
    idIndex,
    nameIndex,
    levelIndex,
    typeIndex,
    countIndex,
    sizeIndex,
    allocatedIndex,
    purgeableIndex,
    attributeCount
};

StoreValue optionalValue(const std::optional<std::int64_t>& value)
{
    return value ? StoreValue(*value) : StoreValue();
}

std::optional<std::int64_t> optionalInteger(const StoreValue& value)
{
    if (const auto* number = std::get_if<std::int64_t>(&value))
        return *number;
    return std::nullopt;
}

} // namespace

VistrelFile::VistrelFile(const FileSystemRecord& record)
    : VistrelFile(FileSystemRecord(record))
{
}

VistrelFile::VistrelFile(FileSystemRecord&& record)
    : name(FileUrl::lastPathComponent(record.path))
    , level(record.level)
    , fileResourceType(record.fileResourceType)
    , fileCount(record.fileCount)
    , totalSize(record.totalSize)
    , totalAllocatedSize(record.totalAllocatedSize)
    , isPurgeable(record.isPurgeable)
{
    id = std::move(record.path);
}

VistrelFile VistrelFile::fromStored(StoredObject&& object, std::string storeIdentity)
{
    auto& values = object.values;
    if (values.size() != attributeCount || !std::holds_alternative<std::string>(values[idIndex])
        || !std::holds_alternative<std::string>(values[nameIndex]) || !optionalInteger(values[levelIndex]))
        throw StoreError(StoreError::Code::notASnapshot,
                         "the snapshot store is damaged: a stored file has values of the wrong kind");
    VistrelFile file;
    file.storeIdentity_ = std::move(storeIdentity);
    file.id = std::move(std::get<std::string>(values[idIndex]));
    file.name = std::move(std::get<std::string>(values[nameIndex]));
    file.level = *optionalInteger(values[levelIndex]);
    if (const auto type = optionalInteger(values[typeIndex]); type && *type >= 0 && *type <= 255)
        file.fileResourceType = static_cast<std::uint8_t>(*type);
    file.fileCount = optionalInteger(values[countIndex]);
    file.totalSize = optionalInteger(values[sizeIndex]);
    file.totalAllocatedSize = optionalInteger(values[allocatedIndex]);
    if (const auto purgeable = optionalInteger(values[purgeableIndex]))
        file.isPurgeable = *purgeable != 0;
    return file;
}

void VistrelFile::insert(const FileSystemRecord& record, StoreContext& context)
{
    const auto optional = [](const auto& value) {
        return value ? StoreValueView(static_cast<std::int64_t>(*value)) : StoreValueView();
    };
    const StoreValueView values[attributeCount] = {
        std::string_view(record.path),
        FileUrl::lastPathComponent(record.path),
        record.level,
        optional(record.fileResourceType),
        optional(record.fileCount),
        optional(record.totalSize),
        optional(record.totalAllocatedSize),
        optional(record.isPurgeable),
    };
    context.insert(values);
}

StoredObject VistrelFile::toStored() const&
{
    return VistrelFile(*this).toStored();
}

StoredObject VistrelFile::toStored() &&
{
    StoredObject object;
    object.values.reserve(attributeCount);
    object.values.emplace_back(std::move(id));
    object.values.emplace_back(std::move(name));
    object.values.emplace_back(level);
    object.values.push_back(fileResourceType ? StoreValue(std::int64_t{*fileResourceType}) : StoreValue());
    object.values.push_back(optionalValue(fileCount));
    object.values.push_back(optionalValue(totalSize));
    object.values.push_back(optionalValue(totalAllocatedSize));
    object.values.push_back(isPurgeable ? StoreValue(std::int64_t{*isPurgeable ? 1 : 0}) : StoreValue());
    return object;
}

bool VistrelFile::operator==(const VistrelFile& other) const
{
    return id == other.id && storeIdentity_ == other.storeIdentity_;
}

std::size_t VistrelFile::hash() const
{
    return std::hash<std::string>()(id) ^ (std::hash<std::string>()(storeIdentity_) << 1);
}

const FileUrl& VistrelFile::url()
{
    // The path decides: a directory's id ends with a separator, so its URL is a directory URL.
    if (!url_)
        url_ = FileUrl(id);
    return *url_;
}

const std::optional<LiveProperties>& VistrelFile::loadFromFileSystem()
{
    if (loadedFromFileSystem_)
        return live_;
    try {
        live_ = FileSystemMetadata::liveProperties(FileUrl(id));
    } catch (const FileSystemError& error) {
        Log::error(LogCategory::app,
                   "error while loading live properties for " + id + ". " + error.localizedDescription());
    }
    // A failed load is not retried for this object.
    loadedFromFileSystem_ = true;
    return live_;
}

std::optional<QString> VistrelFile::contentTypeIdentifier()
{
    const auto& live = loadFromFileSystem();
    if (!live || live->contentType.identifier.isEmpty() || live->contentType.isDynamic)
        return std::nullopt;
    return live->contentType.identifier;
}

std::vector<VistrelFile> VistrelFile::children(const FileUrl& directory, StoreContext& context)
{
    // P without its trailing separator; the children begin with P + "/" (for the root, "/").
    const std::string parent = directory.pathWithoutTrailingSeparator();
    const std::string prefix = parent == "/" ? parent : parent + "/";
    StorePredicate predicate = StorePredicate::conjunction(
        StorePredicate::conjunction(StorePredicate::equal("level", directory.pathComponentCount() + 1),
                                    StorePredicate::greaterThan("id", parent)),
        StorePredicate::beginsWith("id", prefix));
    StoreFetchDescriptor descriptor{
        std::move(predicate), {{"fileResourceType", false}, {"totalAllocatedSize", false}}, childrenLimit};
    std::vector<VistrelFile> files;
    const std::string& identity = context.container().storeIdentity();
    for (StoredObject& object : context.fetch(descriptor))
        files.push_back(fromStored(std::move(object), identity));
    return files;
}

std::optional<VistrelFile> VistrelFile::file(const FileUrl& url, StoreContext& context)
{
    // The level follows from the path; naming it lets the lookup use the (level, id) key.
    StoreFetchDescriptor descriptor{
        StorePredicate::conjunction(StorePredicate::equal("level", url.pathComponentCount()),
                                    StorePredicate::equal("id", url.path())),
        {},
        1};
    auto objects = context.fetch(descriptor);
    if (objects.empty())
        return std::nullopt;
    return fromStored(std::move(objects.front()), context.container().storeIdentity());
}

bool VistrelFile::snapshotExists(StoreContext& context)
{
    return !context.fetch(StoreFetchDescriptor{std::nullopt, {}, 1}).empty();
}

} // namespace vistrel
