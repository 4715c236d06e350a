#include "SnapshotCompletion.h"

#include "VistrelFile.h"

#include "filesystem/FileUrl.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreContext.h"
#include "scanner/FileSystemRecord.h"
#include "scanner/ResourceTypeCode.h"

#include <charconv>

namespace vistrel {

namespace {
constexpr const char* finishedKey = "scanFinished";
constexpr const char* unreadableKey = "unreadableDirectories";
constexpr const char* scanRootKey = "scanRoot";
constexpr const char* rootTotalsKey = "rootTotals";
constexpr const char* exclusionsKey = "exclusions";
constexpr const char* unreadableFoldersKey = "unreadableFolders";
constexpr const char* modifiedKey = "modifiedAt";
constexpr const char* scanFactsKey = "scanFacts";
constexpr const char* importedFromKey = "importedFrom";

std::string rootTotalsText(const SnapshotCompletion::RootTotals& totals)
{
    return std::to_string(totals.fileCount) + " " + std::to_string(totals.totalSize) + " "
        + std::to_string(totals.totalAllocatedSize);
}

// One folder a line, its path and reason apart by a tab: "%", tabs and line breaks, which
// a path may hold, are percent-encoded.
void appendEncoded(std::string& text, const std::string& value)
{
    for (const char byte : value) {
        if (byte == '%')
            text += "%25";
        else if (byte == '\n')
            text += "%0A";
        else if (byte == '\t')
            text += "%09";
        else
            text += byte;
    }
}

std::optional<std::int64_t> number(std::string_view text)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string decoded(std::string_view value)
{
    std::string text;
    for (std::size_t index = 0; index < value.size(); ++index) {
        if (value.compare(index, 3, "%25") == 0) {
            text += '%';
            index += 2;
        } else if (value.compare(index, 3, "%0A") == 0) {
            text += '\n';
            index += 2;
        } else if (value.compare(index, 3, "%09") == 0) {
            text += '\t';
            index += 2;
        } else {
            text += value[index];
        }
    }
    return text;
}

} // namespace

void SnapshotCompletion::markUnfinished(StoreContainer& container)
{
    container.setMetadataValue(finishedKey, "false");
    container.setMetadataValue(unreadableKey, "");
    container.setMetadataValue(rootTotalsKey, "");
}

void SnapshotCompletion::markFinished(StoreContainer& container, std::int64_t unreadableDirectories)
{
    container.setMetadataValue(unreadableKey, std::to_string(unreadableDirectories));
    container.setMetadataValue(finishedKey, "true");
}

bool SnapshotCompletion::isFinished(StoreContainer& container)
{
    return container.metadataValue(finishedKey).value_or("true") != "false";
}

void SnapshotCompletion::recordScanRoot(StoreContainer& container, const std::string& path)
{
    container.setMetadataValue(scanRootKey, path);
}

std::optional<std::string> SnapshotCompletion::scanRoot(StoreContainer& container)
{
    return container.metadataValue(scanRootKey);
}

void SnapshotCompletion::recordExclusions(StoreContainer& container, const std::vector<std::string>& patterns)
{
    // A pattern holds no line break, so one per line reads back exactly.
    std::string text;
    for (const std::string& pattern : patterns)
        text += pattern + "\n";
    container.setMetadataValue(exclusionsKey, text);
}

std::vector<std::string> SnapshotCompletion::exclusions(StoreContainer& container)
{
    std::vector<std::string> patterns;
    const std::string text = container.metadataValue(exclusionsKey).value_or("");
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            break;
        if (end > start)
            patterns.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return patterns;
}

void SnapshotCompletion::recordUnreadableFolders(StoreContainer& container,
                                                 const std::vector<UnreadableFolder>& folders)
{
    std::string text;
    for (const UnreadableFolder& folder : folders) {
        appendEncoded(text, folder.path);
        text += '\t';
        appendEncoded(text, folder.reason);
        text += '\n';
    }
    container.setMetadataValue(unreadableFoldersKey, text);
}

std::optional<std::vector<SnapshotCompletion::UnreadableFolder>> SnapshotCompletion::unreadableFolders(
    StoreContainer& container)
{
    const auto text = container.metadataValue(unreadableFoldersKey);
    if (!text)
        return std::nullopt;
    std::vector<UnreadableFolder> folders;
    std::size_t start = 0;
    while (start < text->size()) {
        std::size_t end = text->find('\n', start);
        if (end == std::string::npos)
            end = text->size();
        const std::string_view line(text->data() + start, end - start);
        const std::size_t tab = line.find('\t');
        folders.push_back({decoded(line.substr(0, tab)),
                           tab == std::string_view::npos ? std::string() : decoded(line.substr(tab + 1))});
        start = end + 1;
    }
    return folders;
}

std::optional<std::int64_t> SnapshotCompletion::unreadableDirectories(StoreContainer& container)
{
    const auto text = container.metadataValue(unreadableKey);
    return text ? number(*text) : std::nullopt;
}

void SnapshotCompletion::recordRootTotals(StoreContainer& container, const RootTotals& totals)
{
    container.setMetadataValue(rootTotalsKey, rootTotalsText(totals));
}

void SnapshotCompletion::recordRootTotalsAtSave(StoreContext& context, const RootTotals& totals)
{
    context.setMetadataAtSave(rootTotalsKey, rootTotalsText(totals));
}

void SnapshotCompletion::recordModifiedAtSave(StoreContext& context, std::int64_t secondsSinceEpoch)
{
    context.setMetadataAtSave(modifiedKey, std::to_string(secondsSinceEpoch));
}

std::optional<std::int64_t> SnapshotCompletion::modifiedAt(StoreContainer& container)
{
    const auto text = container.metadataValue(modifiedKey);
    return text ? number(*text) : std::nullopt;
}

void SnapshotCompletion::recordScanFacts(StoreContainer& container, const ScanFacts& facts)
{
    container.setMetadataValue(scanFactsKey,
                               std::to_string(facts.startedAt) + " " + std::to_string(facts.endedAt) + " "
                                   + std::to_string(facts.entryCount) + " "
                                   + (facts.volumeUsedBytes ? std::to_string(*facts.volumeUsedBytes) : "-"));
}

std::optional<SnapshotCompletion::ScanFacts> SnapshotCompletion::scanFacts(StoreContainer& container)
{
    const auto text = container.metadataValue(scanFactsKey);
    if (!text)
        return std::nullopt;
    std::vector<std::string_view> fields;
    for (std::size_t start = 0; start <= text->size();) {
        const std::size_t end = std::min(text->find(' ', start), text->size());
        fields.emplace_back(std::string_view(*text).substr(start, end - start));
        start = end + 1;
    }
    if (fields.size() != 4)
        return std::nullopt;
    const auto started = number(fields[0]), ended = number(fields[1]), entries = number(fields[2]);
    if (!started || !ended || !entries)
        return std::nullopt;
    return ScanFacts{*started, *ended, *entries, fields[3] == "-" ? std::nullopt : number(fields[3])};
}

void SnapshotCompletion::recordImportedFrom(StoreContainer& container, const std::string& program)
{
    container.setMetadataValue(importedFromKey, program);
}

std::optional<std::string> SnapshotCompletion::importedFrom(StoreContainer& container)
{
    return container.metadataValue(importedFromKey);
}

std::optional<VistrelFile> SnapshotCompletion::scanRootFile(StoreContainer& container, const FileUrl& root)
{
    if (scanRoot(container) != root.path())
        return std::nullopt;
    FileSystemRecord record;
    record.path = root.path();
    record.level = root.pathComponentCount();
    record.fileResourceType = ResourceTypeCode::directory;
    if (const auto totals = rootTotals(container)) {
        record.fileCount = totals->fileCount;
        record.totalSize = totals->totalSize;
        record.totalAllocatedSize = totals->totalAllocatedSize;
    }
    return VistrelFile(std::move(record));
}

std::optional<SnapshotCompletion::RootTotals> SnapshotCompletion::rootTotals(StoreContainer& container)
{
    const auto text = container.metadataValue(rootTotalsKey);
    if (!text)
        return std::nullopt;
    const std::string_view all(*text);
    const auto first = all.find(' ');
    const auto second = first == std::string_view::npos ? first : all.find(' ', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    const auto files = number(all.substr(0, first));
    const auto size = number(all.substr(first + 1, second - first - 1));
    const auto allocated = number(all.substr(second + 1));
    if (!files || !size || !allocated || *files < 0)
        return std::nullopt;
    return RootTotals{*files, *size, *allocated};
}

} // namespace vistrel
