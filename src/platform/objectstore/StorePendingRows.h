#pragma once

#include "StoreValue.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vistrel {

// A value as handed to an insert: text is only viewed, and copied once, into the rows.
using StoreValueView = std::variant<std::monostate, std::int64_t, std::string_view>;

// Rows waiting for a save, packed into one byte buffer: about a third of the memory of
// separate objects and no allocation per row, which matters when several full batches of
// a scan wait for their turn to be written.
class StorePendingRows {
public:
    void append(std::span<const StoreValueView> values);
    // Room for `rows` more rows of `bytes` in all, so that a batch is not copied as it grows.
    void reserve(std::size_t rows, std::size_t bytes);
    // The most a row takes beyond its text.
    static constexpr std::size_t bytesPerValue = 1 + sizeof(std::uint64_t);
    std::size_t size() const { return rowOffsets_.size(); }
    bool empty() const { return rowOffsets_.empty(); }
    std::size_t bytes() const { return bytes_.size(); }
    void clear();

    // The offsets of the rows, ordered by an (integer, text) key at these attribute indices;
    // in arrival order when the rows do not have such a key.
    std::vector<std::size_t> orderedBy(int integerAttribute, int textAttribute) const;
    // The offsets of the rows in arrival order, except that each run of rows with the same
    // integer at `integerAttribute` and the same text before the last component of the path at
    // `pathAttribute` is ordered by that last component. Rows arrive in such runs (one folder's
    // entries), so this orders them as a folder-layout key would at a fraction of a full sort.
    std::vector<std::size_t> orderedWithinFolders(int integerAttribute, int pathAttribute) const;
    // The values of the row at `offset`, the first `count` of them at most; text views point
    // into the rows.
    void decode(std::size_t offset, std::vector<StoreValueView>& values, std::size_t count = SIZE_MAX) const;

private:
    std::string bytes_;
    std::vector<std::size_t> rowOffsets_;
    std::size_t valueCount_ = 0;
};

} // namespace vistrel
