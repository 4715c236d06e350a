#include "VistrelFile.h"

#include "filesystem/FileSystemError.h"
#include "filesystem/FileSystemMetadata.h"
#include "filesystem/ResourceKeys.h"
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

template <typename T>
std::optional<T> attributeOfKind(const std::optional<QVariantMap>& attributes, const char* key, QMetaType::Type kind)
{
    if (!attributes)
        return std::nullopt;
    const QVariant value = attributes->value(QString::fromLatin1(key));
    if (value.typeId() != kind)
        return std::nullopt;
    return value.value<T>();
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

const QStringList& VistrelFile::loadedResourceKeys()
{
    using namespace ResourceKey;
    static const QStringList keys = [] {
        QStringList list;
        for (const char* key : {localizedName,
                                fileContentIdentifier,
                                isApplication,
                                applicationIsScriptable,
                                addedToDirectoryDate,
                                mayHaveExtendedAttributes,
                                mayShareFileContent,
                                preferredIOBlockSize,
                                documentIdentifier,
                                localizedTypeDescription,
                                labelNumber,
                                tagNames,
                                localizedLabel,
                                hasHiddenExtension,
                                parentDirectoryURL,
                                generationIdentifier,
                                isSparse,
                                isExcludedFromBackup,
                                isExecutable,
                                isPackage,
                                isHidden,
                                isSystemImmutable,
                                isReadable,
                                isUserImmutable,
                                isWritable,
                                linkCount,
                                creationDate,
                                attributeModificationDate,
                                contentType,
                                contentModificationDate,
                                contentAccessDate})
            list << QString::fromLatin1(key);
        return list;
    }();
    return keys;
}

void VistrelFile::loadFromFileSystem()
{
    if (loadedFromFileSystem_)
        return;
    try {
        urlResources_ = FileSystemMetadata::resourceValues(FileUrl(id), loadedResourceKeys());
    } catch (const FileSystemError& error) {
        Log::error(LogCategory::app,
                   "error while loading url resources for " + id + ". " + error.localizedDescription());
    }
    try {
        fileAttrs_ = FileSystemMetadata::attributesOfItem(id);
    } catch (const FileSystemError& error) {
        Log::error(LogCategory::app,
                   "error while loading file attributes for " + id + ". " + error.localizedDescription());
    }
    // A failed load is not retried for this object.
    loadedFromFileSystem_ = true;
}

std::optional<QString> VistrelFile::contentTypeIdentifier()
{
    loadFromFileSystem();
    if (!urlResources_)
        return std::nullopt;
    const QVariant type = urlResources_->value(QString::fromLatin1(ResourceKey::contentType));
    if (type.typeId() != QMetaType::QString
        || urlResources_->value(QString::fromLatin1(ResourceKey::contentTypeIsDynamic)).toBool())
        return std::nullopt;
    return type.toString();
}

#define VISTREL_ATTRIBUTE_ACCESSOR(function, Type, key, kind)                                                          \
    std::optional<Type> VistrelFile::function()                                                                        \
    {                                                                                                                  \
        loadFromFileSystem();                                                                                          \
        return attributeOfKind<Type>(fileAttrs_, key, kind);                                                           \
    }

VISTREL_ATTRIBUTE_ACCESSOR(groupOwnerAccountID, std::int64_t, FileAttributeKey::groupOwnerAccountID,
                           QMetaType::LongLong)
VISTREL_ATTRIBUTE_ACCESSOR(groupOwnerAccountName, QString, FileAttributeKey::groupOwnerAccountName, QMetaType::QString)
VISTREL_ATTRIBUTE_ACCESSOR(ownerAccountID, std::int64_t, FileAttributeKey::ownerAccountID, QMetaType::LongLong)
VISTREL_ATTRIBUTE_ACCESSOR(ownerAccountName, QString, FileAttributeKey::ownerAccountName, QMetaType::QString)
VISTREL_ATTRIBUTE_ACCESSOR(posixPermissions, std::int64_t, FileAttributeKey::posixPermissions, QMetaType::LongLong)
VISTREL_ATTRIBUTE_ACCESSOR(immutable, bool, FileAttributeKey::immutable, QMetaType::Bool)
VISTREL_ATTRIBUTE_ACCESSOR(appendOnly, bool, FileAttributeKey::appendOnly, QMetaType::Bool)
VISTREL_ATTRIBUTE_ACCESSOR(busy, bool, FileAttributeKey::busy, QMetaType::Bool)
VISTREL_ATTRIBUTE_ACCESSOR(systemFileNumber, std::int64_t, FileAttributeKey::systemFileNumber, QMetaType::LongLong)
VISTREL_ATTRIBUTE_ACCESSOR(systemNumber, std::int64_t, FileAttributeKey::systemNumber, QMetaType::LongLong)
VISTREL_ATTRIBUTE_ACCESSOR(extendedAttributes, QVariantMap, FileAttributeKey::extendedAttributes,
                           QMetaType::QVariantMap)

#undef VISTREL_ATTRIBUTE_ACCESSOR

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
