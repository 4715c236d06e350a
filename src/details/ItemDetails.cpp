#include "ItemDetails.h"

#include "PropertyListDecoder.h"

#include "cleanup/CacheFolders.h"
#include "filesystem/ContentTypeDetector.h"
#include "filesystem/ResourceKeys.h"
#include "scanner/ResourceTypeCode.h"
#include "services/DisplayName.h"
#include "services/Formats.h"

namespace vistrel {

namespace {

using Row = ItemDetails::Row;

QString text(const std::string& bytes)
{
    return DisplayName::of(bytes);
}

Row number(const char* title, const std::optional<QString>& value)
{
    return Row{Row::Kind::number, QString::fromLatin1(title), value, {}, {}};
}

Row number(const char* title, const std::optional<std::int64_t>& value, QString (*format)(std::int64_t))
{
    return number(title, value ? std::optional<QString>(format(*value)) : std::nullopt);
}

Row string(const char* title, const std::optional<QString>& value)
{
    return Row{Row::Kind::text, QString::fromLatin1(title), value, {}, {}};
}

std::optional<QString> cacheReason(const std::string& folder)
{
    const auto reason = CacheFolders::reason(folder, CacheFolders::userCacheFolder());
    return reason ? std::optional<QString>(QString::fromStdString(*reason)) : std::nullopt;
}

Row date(const char* title, const std::optional<QDateTime>& value)
{
    return Row{Row::Kind::date, QString::fromLatin1(title), {}, value, {}};
}

Row flag(const char* title, const std::optional<bool>& value)
{
    return Row{Row::Kind::boolean, QString::fromLatin1(title), {}, {}, value};
}

QString byteCount(std::int64_t bytes)
{
    return Formats::byteCount(bytes);
}

// The Property List tab's items: only for the property-list type, a file that can be read (at
// most 16 MiB), parses, and holds a non-empty map (a list counts as the map {"_": list}).
std::optional<AnyDictionaryBrowserView::Item::Children> readPropertyList(VistrelFile& file,
                                                                         PropertyListDecoder::Budget& budget)
{
    if (file.contentTypeIdentifier() != QString::fromLatin1(ContentTypeDetector::propertyListType))
        return std::nullopt;
    const auto bytes = PropertyListDecoder::readFile(file.id);
    if (!bytes)
        return std::nullopt;
    const auto parsed = PropertyListDecoder::decode(*bytes, budget);
    if (!parsed)
        return std::nullopt;
    QVariantMap root;
    if (parsed->typeId() == QMetaType::QVariantMap)
        root = parsed->toMap();
    else if (parsed->typeId() == QMetaType::QVariantList)
        root.insert(QStringLiteral("_"), *parsed);
    if (root.isEmpty())
        return std::nullopt;
    return AnyDictionaryBrowserView::Item::makeItems(root, budget);
}

} // namespace

ItemDetails ItemDetails::make(VistrelFile file)
{
    file.loadFromFileSystem();
    const QVariantMap resources = file.urlResources().value_or(QVariantMap());
    const auto value = [&resources](const char* key) { return resources.value(QString::fromLatin1(key)); };
    const auto dateValue = [&](const char* key) -> std::optional<QDateTime> {
        const QVariant found = value(key);
        return found.typeId() == QMetaType::QDateTime ? std::optional<QDateTime>(found.toDateTime()) : std::nullopt;
    };
    const auto flagValue = [&](const char* key) -> std::optional<bool> {
        const QVariant found = value(key);
        return found.isValid() ? std::optional<bool>(found.toBool()) : std::nullopt;
    };
    const auto integerValue = [&](const char* key) -> std::optional<std::int64_t> {
        const QVariant found = value(key);
        return found.isValid() ? std::optional<std::int64_t>(found.toLongLong()) : std::nullopt;
    };

    ItemDetails details;
    details.name = text(file.name);
    details.path = text(file.id);
    details.rawPath = file.id;
    details.typeDescription = value(ResourceKey::localizedTypeDescription).toString();
    const QByteArray localizedName = value(ResourceKey::localizedName).toByteArray();
    details.localizedName
        = DisplayName::of(std::string_view(localizedName.constData(), static_cast<std::size_t>(localizedName.size())));
    const bool directory = !file.id.empty() && file.id.back() == '/';
    const auto type = file.fileResourceType ? ResourceTypeCode::type(*file.fileResourceType) : std::nullopt;

    details.general = {
        {date("Created", dateValue(ResourceKey::creationDate)),
         date("Attribute Modified", dateValue(ResourceKey::attributeModificationDate)),
         date("Content Accessed", dateValue(ResourceKey::contentAccessDate)),
         date("Content Modified", dateValue(ResourceKey::contentModificationDate))},
        {number("Size", file.totalSize, byteCount), number("Size on Disk", file.totalAllocatedSize, byteCount),
         number("Files", directory ? file.fileCount : std::nullopt, Formats::decimal),
         // Read on the details' own thread: a CACHEDIR.TAG takes a look at the disk.
         string("Cache", directory ? cacheReason(file.id) : std::nullopt),
         flag("Package", flagValue(ResourceKey::isPackage)), flag("Purgeable File", file.isPurgeable),
         flag("Sparse File", flagValue(ResourceKey::isSparse))},
        {string("Content Type", file.contentTypeIdentifier()),
         number("System File Number", file.systemFileNumber(), Formats::hexadecimal),
         number("System Number", file.systemNumber(), Formats::hexadecimal),
         number("Hardlinks", integerValue(ResourceKey::linkCount), Formats::decimal),
         flag("Hidden", flagValue(ResourceKey::isHidden)),
         flag("Extension is Hidden", flagValue(ResourceKey::hasHiddenExtension))},
        {number("Group Owner Account ID", file.groupOwnerAccountID(), Formats::decimal),
         string("Group Owner Account Name", file.groupOwnerAccountName()),
         number("Owner Account ID", file.ownerAccountID(), Formats::decimal),
         string("Owner Account Name", file.ownerAccountName()),
         number("Posix Permissions", file.posixPermissions(), Formats::octal)},
        {flag("Append Only", file.appendOnly()), flag("Busy", file.busy()), flag("Immutable", file.immutable())},
        {flag("Excluded From Backup", flagValue(ResourceKey::isExcludedFromBackup)),
         flag("Executable", flagValue(ResourceKey::isExecutable)),
         flag("Is Readable", flagValue(ResourceKey::isReadable)),
         flag("Is Writable", flagValue(ResourceKey::isWritable)),
         flag("Is System Immutable", flagValue(ResourceKey::isSystemImmutable)),
         flag("Is User Immutable", flagValue(ResourceKey::isUserImmutable)),
         // From the snapshot, so always shown.
         flag("Is Symbolic Link", type == FileResourceType::symbolicLink)},
    };
    details.extendedAttributes = file.extendedAttributes().value_or(QVariantMap());
    PropertyListDecoder::Budget attributeBudget;
    details.extendedAttributeItems
        = AnyDictionaryBrowserView::Item::makeItems(details.extendedAttributes, attributeBudget);
    details.extendedAttributesCut = attributeBudget.wasCut();
    PropertyListDecoder::Budget propertyListBudget;
    details.propertyListItems = readPropertyList(file, propertyListBudget);
    details.propertyListCut = propertyListBudget.wasCut();
    return details;
}

} // namespace vistrel
