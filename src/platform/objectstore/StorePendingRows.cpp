#include "StorePendingRows.h"

#include "StoreFolderSql.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace vistrel {

namespace {

enum Tag : char { absentTag = 'n', integerTag = 'i', textTag = 't' };

template <typename T> T readRaw(const char* position)
{
    T value;
    std::memcpy(&value, position, sizeof value);
    return value;
}

} // namespace

void StorePendingRows::append(std::span<const StoreValueView> values)
{
    valueCount_ = values.size();
    rowOffsets_.push_back(bytes_.size());
    for (const StoreValueView& value : values) {
        if (const auto* number = std::get_if<std::int64_t>(&value)) {
            bytes_.push_back(integerTag);
            bytes_.append(reinterpret_cast<const char*>(number), sizeof *number);
        } else if (const auto* text = std::get_if<std::string_view>(&value)) {
            const auto length = static_cast<std::uint64_t>(text->size());
            bytes_.push_back(textTag);
            bytes_.append(reinterpret_cast<const char*>(&length), sizeof length);
            bytes_.append(*text);
        } else {
            bytes_.push_back(absentTag);
        }
    }
}

void StorePendingRows::reserve(std::size_t rows, std::size_t bytes)
{
    rowOffsets_.reserve(rowOffsets_.size() + rows);
    bytes_.reserve(bytes_.size() + bytes);
}

void StorePendingRows::clear()
{
    bytes_.clear();
    bytes_.shrink_to_fit();
    rowOffsets_.clear();
    rowOffsets_.shrink_to_fit();
}

void StorePendingRows::decode(std::size_t offset, std::vector<StoreValueView>& values, std::size_t count) const
{
    values.clear();
    const char* position = bytes_.data() + offset;
    const std::size_t decoded = std::min(count, valueCount_);
    for (std::size_t index = 0; index < decoded; ++index) {
        const char tag = *position++;
        if (tag == integerTag) {
            values.emplace_back(readRaw<std::int64_t>(position));
            position += sizeof(std::int64_t);
        } else if (tag == textTag) {
            const auto length = readRaw<std::uint64_t>(position);
            position += sizeof length;
            values.emplace_back(std::string_view(position, length));
            position += length;
        } else {
            values.emplace_back(std::monostate{});
        }
    }
}

std::vector<std::size_t> StorePendingRows::orderedBy(int integerAttribute, int textAttribute) const
{
    struct Key {
        std::int64_t number;
        std::string_view text;
        std::size_t offset;
    };
    std::vector<Key> keys;
    keys.reserve(rowOffsets_.size());
    std::vector<StoreValueView> values;
    bool keyed = integerAttribute >= 0 && textAttribute >= 0 && static_cast<std::size_t>(integerAttribute) < valueCount_
        && static_cast<std::size_t>(textAttribute) < valueCount_;
    const std::size_t needed = static_cast<std::size_t>(std::max(integerAttribute, textAttribute)) + 1;
    for (const std::size_t offset : rowOffsets_) {
        if (!keyed)
            break;
        decode(offset, values, needed);
        const auto* number = std::get_if<std::int64_t>(&values[static_cast<std::size_t>(integerAttribute)]);
        const auto* text = std::get_if<std::string_view>(&values[static_cast<std::size_t>(textAttribute)]);
        if (!number || !text)
            keyed = false;
        else
            keys.push_back(Key{*number, *text, offset});
    }
    if (!keyed)
        return rowOffsets_;
    // string_view compares as unsigned bytes, as SQLite compares blobs.
    std::sort(keys.begin(), keys.end(),
              [](const Key& a, const Key& b) { return a.number != b.number ? a.number < b.number : a.text < b.text; });
    std::vector<std::size_t> ordered;
    ordered.reserve(keys.size());
    for (const Key& key : keys)
        ordered.push_back(key.offset);
    return ordered;
}

std::vector<std::size_t> StorePendingRows::orderedWithinFolders(int integerAttribute, int pathAttribute) const
{
    if (integerAttribute < 0 || pathAttribute < 0 || static_cast<std::size_t>(integerAttribute) >= valueCount_
        || static_cast<std::size_t>(pathAttribute) >= valueCount_)
        return rowOffsets_;
    struct Entry {
        std::string_view leaf;
        std::size_t offset;
    };
    std::vector<Entry> entries;
    entries.reserve(rowOffsets_.size());
    std::vector<StoreValueView> values;
    const std::size_t needed = static_cast<std::size_t>(std::max(integerAttribute, pathAttribute)) + 1;
    std::optional<std::int64_t> runNumber;
    std::string_view runFolder;
    std::size_t runStart = 0;
    const auto byLeaf = [](const Entry& a, const Entry& b) { return a.leaf < b.leaf; };
    for (const std::size_t offset : rowOffsets_) {
        decode(offset, values, needed);
        const auto* number = std::get_if<std::int64_t>(&values[static_cast<std::size_t>(integerAttribute)]);
        const auto* path = std::get_if<std::string_view>(&values[static_cast<std::size_t>(pathAttribute)]);
        if (!number || !path)
            return rowOffsets_; // not a keyed row: the store refuses it in arrival order
        const auto [folder, leaf] = StoreFolderSql::split(*path);
        if (!runNumber || *runNumber != *number || runFolder != folder) {
            std::sort(entries.begin() + static_cast<std::ptrdiff_t>(runStart), entries.end(), byLeaf);
            runStart = entries.size();
            runNumber = *number;
            runFolder = folder;
        }
        entries.push_back(Entry{leaf, offset});
    }
    std::sort(entries.begin() + static_cast<std::ptrdiff_t>(runStart), entries.end(), byLeaf);
    std::vector<std::size_t> ordered;
    ordered.reserve(entries.size());
    for (const Entry& entry : entries)
        ordered.push_back(entry.offset);
    return ordered;
}

} // namespace vistrel
