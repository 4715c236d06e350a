#include "StoreSelectColumns.h"

#include "SqliteStatement.h"
#include "StoreFolderSql.h"

namespace vistrel {

namespace {

std::string_view bytesOf(const StoreValueView& value)
{
    if (const auto* bytes = std::get_if<std::string_view>(&value))
        return *bytes;
    return {};
}

} // namespace

void StoreSelectColumns::views(const SqliteStatement& statement, std::vector<StoreValueView>& into)
{
    into.resize(columns_.size());
    joined_.resize(columns_.size());
    for (std::size_t attribute = 0; attribute < columns_.size(); ++attribute) {
        const Column& column = columns_[attribute];
        StoreValueView value = statement.view(column.first);
        if (column.kind == Kind::joined) {
            std::string& path = joined_[attribute];
            path.assign(bytesOf(value));
            path += bytesOf(statement.view(column.first + 1));
            value = std::string_view(path);
        } else if (column.kind == Kind::leafName && std::holds_alternative<std::monostate>(value)) {
            value = StoreFolderSql::leafName(bytesOf(statement.view(column.first + 1)));
        }
        into[attribute] = value;
    }
}

void StoreSelectColumns::valueInto(const SqliteStatement& statement, std::size_t attribute, StoreValue& into) const
{
    const Column& column = columns_[attribute];
    if (column.kind == Kind::plain || (column.kind == Kind::leafName && !statement.isNull(column.first))) {
        statement.valueInto(column.first, into);
        return;
    }
    if (!std::holds_alternative<std::string>(into))
        into = std::string();
    std::string& text = std::get<std::string>(into);
    if (column.kind == Kind::joined) {
        text.assign(bytesOf(statement.view(column.first)));
        text += bytesOf(statement.view(column.first + 1));
    } else {
        text.assign(StoreFolderSql::leafName(bytesOf(statement.view(column.first + 1))));
    }
}

} // namespace vistrel
