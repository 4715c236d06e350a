#include "ReadAheadRows.h"

namespace vistrel {

ReadAheadRows::ReadAheadRows(StoreCursor& cursor)
{
    while (cursor.next()) {
        const auto values = cursor.values();
        columns_ = values.size();
        for (const StoreValueView& value : values) {
            Cell cell;
            if (const auto* number = std::get_if<std::int64_t>(&value)) {
                cell.kind = Cell::Kind::integer;
                cell.number = *number;
            } else if (const auto* text = std::get_if<std::string_view>(&value)) {
                cell.kind = Cell::Kind::bytes;
                cell.number = static_cast<std::int64_t>(bytes_.size());
                cell.length = text->size();
                bytes_.append(*text);
            }
            cells_.push_back(cell);
        }
    }
    current_.resize(columns_);
}

bool ReadAheadRows::next()
{
    if (columns_ == 0 || nextCell_ >= cells_.size())
        return false;
    for (std::size_t column = 0; column < columns_; ++column) {
        const Cell& cell = cells_[nextCell_ + column];
        if (cell.kind == Cell::Kind::integer)
            current_[column] = cell.number;
        else if (cell.kind == Cell::Kind::bytes)
            current_[column] = std::string_view(bytes_).substr(static_cast<std::size_t>(cell.number), cell.length);
        else
            current_[column] = std::monostate{};
    }
    nextCell_ += columns_;
    return true;
}

} // namespace vistrel
