#include "ItemDetails.h"

#include "PropertyListDecoder.h"

#include "cleanup/CacheFolders.h"
#include "filesystem/ContentTypeDetector.h"
#include "filesystem/ResourceKeys.h"
#include "scanner/ResourceTypeCode.h"
#include "services/DisplayName.h"
#include "services/Formats.h"

#include <sys/sysmacros.h>

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

// "rwxr-xr-x (755)", with the set-id and sticky bits where ls shows them.
QString permissions(std::int64_t mode)
{
    QString text = QStringLiteral("rwxrwxrwx");
    for (int bit = 0; bit < 9; ++bit)
        if (!(mode & (1 << (8 - bit))))
            text[bit] = QLatin1Char('-');
    const auto special = [&](int position, std::int64_t flag, char set, char setAlone) {
        if (mode & flag)
            text[position] = QLatin1Char(text[position] == QLatin1Char('-') ? setAlone : set);
    };
    special(2, 04000, 's', 'S');
    special(5, 02000, 's', 'S');
    special(8, 01000, 't', 'T');
    return text + QStringLiteral(" (") + QString::number(mode & 07777, 8) + QLatin1Char(')');
}

// The account's name, else its number.
std::optional<QString> account(const std::optional<QString>& name, const std::optional<std::int64_t>& id)
{
    if (name && !name->isEmpty())
        return name;
    return id ? std::optional<QString>(QString::number(*id)) : std::nullopt;
}

// A device number as "major:minor", as lsblk and /proc/self/mountinfo write it.
QString device(std::int64_t number)
{
    const auto value = static_cast<dev_t>(number);
    return QStringLiteral("%1:%2").arg(major(value)).arg(minor(value));
}

// "folder" and "plain text document", as the MIME database words them, begin a row.
QString capitalised(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

QString kindOf(const std::optional<FileResourceType>& type, bool directory)
{
    if (type == FileResourceType::symbolicLink)
        return QStringLiteral("Symbolic link");
    if (directory)
        return QStringLiteral("Folder");
    return QStringLiteral("File");
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
    if (const QString shown
        = DisplayName::of(std::string_view(localizedName.constData(), static_cast<std::size_t>(localizedName.size())));
        !shown.isEmpty() && shown != details.name)
        details.localizedName = shown;
    const bool directory = !file.id.empty() && file.id.back() == '/';
    std::optional<FileResourceType> type;
    if (file.fileResourceType)
        type = ResourceTypeCode::type(*file.fileResourceType);
    const auto permissionBits = file.posixPermissions();

    details.essentials = {
        string("Kind",
               details.typeDescription.isEmpty() ? kindOf(type, directory) : capitalised(details.typeDescription)),
        number("Size", file.totalSize, byteCount),
        number("Size on disk", file.totalAllocatedSize, byteCount),
        number("Files", directory ? file.fileCount : std::nullopt, Formats::decimal),
        // Read on the details' own thread: a CACHEDIR.TAG takes a look at the disk.
        string("Cache", directory ? cacheReason(file.id) : std::nullopt),
        date("Modified", dateValue(ResourceKey::contentModificationDate)),
        string("Owner", account(file.ownerAccountName(), file.ownerAccountID())),
        string("Permissions", permissionBits ? std::optional<QString>(permissions(*permissionBits)) : std::nullopt),
    };
    const auto systemNumber = file.systemNumber();
    details.advanced = {
        {date("Created", dateValue(ResourceKey::creationDate)),
         date("Changed", dateValue(ResourceKey::attributeModificationDate)),
         date("Accessed", dateValue(ResourceKey::contentAccessDate))},
        {string("Content type", file.contentTypeIdentifier()),
         number("Inode", file.systemFileNumber(), Formats::decimal),
         string("Device", systemNumber ? std::optional<QString>(device(*systemNumber)) : std::nullopt),
         number("Hard links", integerValue(ResourceKey::linkCount), Formats::decimal)},
        {number("Owner ID", file.ownerAccountID(), Formats::decimal),
         string("Group", account(file.groupOwnerAccountName(), file.groupOwnerAccountID())),
         number("Group ID", file.groupOwnerAccountID(), Formats::decimal)},
        {flag("Symbolic link", type == FileResourceType::symbolicLink),
         flag("Hidden", flagValue(ResourceKey::isHidden)), flag("Executable", flagValue(ResourceKey::isExecutable)),
         flag("Readable", flagValue(ResourceKey::isReadable)), flag("Writable", flagValue(ResourceKey::isWritable)),
         flag("Sparse", flagValue(ResourceKey::isSparse)), flag("Immutable", file.immutable()),
         flag("Append only", file.appendOnly()), flag("Busy", file.busy()),
         flag("Package", flagValue(ResourceKey::isPackage)), flag("Purgeable", file.isPurgeable),
         flag("Extension hidden", flagValue(ResourceKey::hasHiddenExtension)),
         flag("Excluded from backup", flagValue(ResourceKey::isExcludedFromBackup)),
         flag("System immutable", flagValue(ResourceKey::isSystemImmutable)),
         flag("User immutable", flagValue(ResourceKey::isUserImmutable))},
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
