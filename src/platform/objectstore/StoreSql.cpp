#include "StoreSql.h"

#include "SqliteStatement.h"
#include "StoreError.h"
#include "StorePendingRows.h"

namespace vistrel {

void StoreSql::everyRowValue(const SqliteStatement& statement, int attribute, StoreValue& into) const
{
    statement.valueInto(attribute, into);
}

std::string StoreSql::column(const std::string& attribute) const
{
    if (schema_.attributeIndex(attribute) < 0)
        throw StoreError(StoreError::Code::failed, "unknown attribute " + attribute + " of " + schema_.entityName);
    return "\"" + attribute + "\"";
}

std::vector<std::string> StoreSql::createTables() const
{
    std::string sql = "CREATE TABLE \"" + schema_.entityName + "\" (";
    for (const auto& attribute : schema_.attributes) {
        sql += column(attribute.name);
        sql += attribute.type == StoreSchema::AttributeType::text ? " BLOB" : " INTEGER";
        if (!attribute.optional)
            sql += " NOT NULL";
        sql += ", ";
    }
    sql += "PRIMARY KEY (";
    for (std::size_t index = 0; index < schema_.indexAttributes.size(); ++index)
        sql += (index ? ", " : "") + column(schema_.indexAttributes[index]);
    sql += ")) WITHOUT ROWID";
    return {sql};
}

std::string StoreSql::insert(std::size_t rows) const
{
    std::string row = "(";
    for (std::size_t index = 0; index < schema_.attributes.size(); ++index)
        row += index ? ", ?" : "?";
    row += ")";
    std::string sql = "INSERT INTO \"" + schema_.entityName + "\" VALUES " + row;
    for (std::size_t index = 1; index < rows; ++index)
        sql += ", " + row;
    return sql;
}

std::vector<std::size_t> StoreSql::insertOrder(const StorePendingRows& rows) const
{
    const auto& key = schema_.indexAttributes;
    if (key.size() != 2)
        return rows.orderedBy(-1, -1);
    return rows.orderedBy(schema_.attributeIndex(key[0]), schema_.attributeIndex(key[1]));
}

void StoreSql::bindInsert(SqliteStatement& statement, int first, std::span<const StoreValueView> values,
                          const FolderNumber&) const
{
    for (std::size_t index = 0; index < values.size(); ++index) {
        const int parameter = first + static_cast<int>(index);
        if (const auto* number = std::get_if<std::int64_t>(&values[index]))
            statement.bindInteger(parameter, *number);
        else if (const auto* text = std::get_if<std::string_view>(&values[index]))
            statement.bindBytes(parameter, *text);
        else
            statement.bindNull(parameter);
    }
}

std::string StoreSql::deleteAll() const
{
    return "DELETE FROM \"" + schema_.entityName + "\"";
}

std::string StoreSql::remove(const StorePredicate& predicate, std::vector<StoreValue>& bindings) const
{
    return "DELETE FROM \"" + schema_.entityName + "\" WHERE " + condition(predicate, bindings);
}

std::string StoreSql::adjust(const StorePredicate& predicate,
                             const std::vector<std::pair<std::string, std::int64_t>>& deltas,
                             std::vector<StoreValue>& bindings) const
{
    if (deltas.empty())
        throw StoreError(StoreError::Code::failed, "an adjustment changes nothing");
    std::string sql = "UPDATE \"" + schema_.entityName + "\" SET ";
    for (std::size_t index = 0; index < deltas.size(); ++index) {
        const std::string name = column(deltas[index].first);
        sql += (index ? ", " : "") + name + " = " + name + " + ?";
        bindings.emplace_back(std::in_place_type<std::int64_t>, deltas[index].second);
    }
    return sql + " WHERE " + condition(predicate, bindings);
}

std::string StoreSql::prefixSuccessor(std::string prefix)
{
    while (!prefix.empty()) {
        auto& last = reinterpret_cast<unsigned char&>(prefix.back());
        if (last != 0xff) {
            ++last;
            return prefix;
        }
        prefix.pop_back();
    }
    return prefix;
}

std::string StoreSql::prefixCondition(const std::string& name, const std::string& prefix,
                                      std::vector<StoreValue>& bindings)
{
    // A byte range rather than LIKE or substr: exact on any bytes, and it uses the index.
    if (prefix.empty())
        return name + " IS NOT NULL";
    bindings.push_back(prefix);
    std::string successor = prefixSuccessor(prefix);
    if (successor.empty())
        return name + " >= ?";
    bindings.push_back(std::move(successor));
    return "(" + name + " >= ? AND " + name + " < ?)";
}

std::string StoreSql::condition(const StorePredicate& predicate, std::vector<StoreValue>& bindings) const
{
    switch (predicate.kind()) {
    case StorePredicate::Kind::equal:
        if (isAbsent(predicate.value()))
            return column(predicate.attribute()) + " IS NULL";
        bindings.push_back(predicate.value());
        return column(predicate.attribute()) + " = ?";
    case StorePredicate::Kind::greaterThan:
        bindings.push_back(predicate.value());
        return column(predicate.attribute()) + " > ?";
    case StorePredicate::Kind::lessThan:
        bindings.push_back(predicate.value());
        return column(predicate.attribute()) + " < ?";
    case StorePredicate::Kind::beginsWith:
        return prefixCondition(column(predicate.attribute()), std::get<std::string>(predicate.value()), bindings);
    case StorePredicate::Kind::containsFolded:
        bindings.push_back(predicate.value());
        return "vistrel_contains(" + column(predicate.attribute()) + ", ?)";
    case StorePredicate::Kind::conjunction: {
        std::string left = condition(predicate.left(), bindings);
        return "(" + left + " AND " + condition(predicate.right(), bindings) + ")";
    }
    }
    throw StoreError(StoreError::Code::failed, "unknown predicate");
}

std::string StoreSql::select(const StoreFetchDescriptor& descriptor, std::vector<StoreValue>& bindings) const
{
    std::string sql = "SELECT ";
    if (descriptor.attributes.empty()) {
        for (std::size_t index = 0; index < schema_.attributes.size(); ++index)
            sql += (index ? ", " : "") + column(schema_.attributes[index].name);
    } else {
        for (std::size_t index = 0; index < descriptor.attributes.size(); ++index)
            sql += (index ? ", " : "") + column(descriptor.attributes[index]);
    }
    sql += " FROM \"" + schema_.entityName + "\"";
    if (descriptor.predicate)
        sql += " WHERE " + condition(*descriptor.predicate, bindings);
    for (std::size_t index = 0; index < descriptor.sortBy.size(); ++index) {
        const auto& key = descriptor.sortBy[index];
        sql += (index ? ", " : " ORDER BY ") + column(key.attribute) + (key.ascending ? " ASC" : " DESC");
    }
    if (descriptor.limit) {
        sql += " LIMIT ?";
        bindings.emplace_back(std::in_place_type<std::int64_t>, *descriptor.limit);
    }
    return sql;
}

StoreSelectColumns StoreSql::selectColumns(const std::vector<std::string>& attributes) const
{
    StoreSelectColumns columns;
    const std::size_t count = attributes.empty() ? schema_.attributes.size() : attributes.size();
    for (std::size_t index = 0; index < count; ++index)
        columns.add(static_cast<int>(index), StoreSelectColumns::Kind::plain);
    return columns;
}

std::string StoreSql::selectByFolder(const std::string& folder, const std::vector<std::string>& attributes,
                                     std::vector<StoreValue>& bindings) const
{
    std::string sql = "SELECT ";
    for (std::size_t index = 0; index < attributes.size(); ++index)
        sql += (index ? ", " : "") + column(attributes[index]);
    const std::string path = column(schema_.identityAttribute);
    sql += " FROM \"" + schema_.entityName + "\" WHERE " + prefixCondition(path, folder, bindings) + " AND " + path
        + " <> ?";
    bindings.emplace_back(folder);
    // One sort of every row: only stores of the earlier layout come here.
    return sql + " ORDER BY vistrel_parent_path(" + path + "), " + path;
}

std::string StoreSql::count(const std::optional<StorePredicate>& predicate, std::vector<StoreValue>& bindings) const
{
    std::string sql = "SELECT COUNT(*) FROM \"" + schema_.entityName + "\"";
    if (predicate)
        sql += " WHERE " + condition(*predicate, bindings);
    return sql;
}

} // namespace vistrel
