#include "ItemDetails.h"

#include "PropertyListDecoder.h"

#include "cleanup/CacheFolders.h"
#include "filesystem/ContentTypeDetector.h"
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
    const std::optional<LiveProperties> live = file.loadFromFileSystem();
    // Each live value is absent when the file system could not be read.
    const auto liveNumber = [&live](auto read) -> std::optional<std::int64_t> {
        if (!live)
            return std::nullopt;
        return static_cast<std::int64_t>(read(*live));
    };
    const auto liveFlag = [&live](auto read) -> std::optional<bool> {
        if (!live)
            return std::nullopt;
        return read(*live);
    };
    const auto liveDate = [&live](QDateTime (LiveProperties::*read)() const) -> std::optional<QDateTime> {
        if (!live)
            return std::nullopt;
        return ((*live).*read)();
    };

    ItemDetails details;
    details.name = text(file.name);
    details.path = text(file.id);
    details.rawPath = file.id;
    if (live) {
        details.typeDescription = live->contentType.description;
        const QByteArray& displayName = live->displayName;
        if (const QString shown
            = DisplayName::of(std::string_view(displayName.constData(), static_cast<std::size_t>(displayName.size())));
            !shown.isEmpty() && shown != details.name)
            details.localizedName = shown;
    }
    const bool directory = !file.id.empty() && file.id.back() == '/';
    std::optional<FileResourceType> type;
    if (file.fileResourceType)
        type = ResourceTypeCode::type(*file.fileResourceType);
    const auto permissionBits = liveNumber([](const LiveProperties& value) { return value.permissions(); });
    const auto ownerId = liveNumber([](const LiveProperties& value) { return value.status.ownerId; });
    const auto groupId = liveNumber([](const LiveProperties& value) { return value.status.groupId; });
    const auto ownerName = live ? live->ownerName : std::nullopt;
    const auto groupName = live ? live->groupName : std::nullopt;

    details.essentials = {
        string("Kind",
               details.typeDescription.isEmpty() ? kindOf(type, directory) : capitalised(details.typeDescription)),
        number("Size", file.totalSize, byteCount),
        number("Size on disk", file.totalAllocatedSize, byteCount),
        number("Files", directory ? file.fileCount : std::nullopt, Formats::decimal),
        // Read on the details' own thread: a CACHEDIR.TAG takes a look at the disk.
        string("Cache", directory ? cacheReason(file.id) : std::nullopt),
        date("Modified", liveDate(&LiveProperties::modified)),
        string("Owner", account(ownerName, ownerId)),
        string("Permissions", permissionBits ? std::optional<QString>(permissions(*permissionBits)) : std::nullopt),
    };
    const auto systemNumber = liveNumber([](const LiveProperties& value) { return value.status.device; });
    details.advanced = {
        {date("Created", live ? live->created() : std::nullopt), date("Changed", liveDate(&LiveProperties::changed)),
         date("Accessed", liveDate(&LiveProperties::accessed))},
        {string("Content type", file.contentTypeIdentifier()),
         number("Inode", liveNumber([](const LiveProperties& value) { return value.status.inode; }), Formats::decimal),
         string("Device", systemNumber ? std::optional<QString>(device(*systemNumber)) : std::nullopt),
         number("Hard links", liveNumber([](const LiveProperties& value) { return value.status.linkCount; }),
                Formats::decimal)},
        {number("Owner ID", ownerId, Formats::decimal), string("Group", account(groupName, groupId)),
         number("Group ID", groupId, Formats::decimal)},
        {flag("Symbolic link", type == FileResourceType::symbolicLink),
         flag("Hidden", liveFlag([](const LiveProperties& value) { return value.hidden; })),
         flag("Executable", live ? live->executable : std::nullopt),
         flag("Readable", live ? live->readable : std::nullopt), flag("Writable", live ? live->writable : std::nullopt),
         flag("Sparse", liveFlag([](const LiveProperties& value) { return value.sparse(); })),
         flag("Immutable", live ? live->inodeFlags.immutable : std::nullopt),
         flag("Append only", live ? live->inodeFlags.appendOnly : std::nullopt), flag("Purgeable", file.isPurgeable)},
    };
    details.extendedAttributes.clear();
    if (live && live->extendedAttributes)
        for (auto it = live->extendedAttributes->cbegin(); it != live->extendedAttributes->cend(); ++it)
            details.extendedAttributes.insert(it.key(), it.value());
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
