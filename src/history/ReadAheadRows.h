#pragma once

#include "objectstore/StoreCursor.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vistrel {

// A cursor's rows read to their end at once, then handed over one at a time as the cursor
// would: so that two snapshots' rows can be read on two threads and walked in step after.
// Texts are kept in one buffer, not a string per value.
class ReadAheadRows {
public:
    explicit ReadAheadRows(StoreCursor& cursor);

    bool next();
    // The row's values, valid until the next call to next().
    std::span<const StoreValueView> values() const { return current_; }

private:
    struct Cell {
        enum class Kind : std::uint8_t { absent, integer, bytes } kind = Kind::absent;
        std::int64_t number = 0; // the integer, or the bytes' offset
        std::size_t length = 0;
    };
    std::string bytes_;
    std::vector<Cell> cells_;
    std::size_t columns_ = 0;
    std::size_t nextCell_ = 0;
    std::vector<StoreValueView> current_;
};

} // namespace vistrel
