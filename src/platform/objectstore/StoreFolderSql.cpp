#include "StoreFolderSql.h"

#include "SqliteStatement.h"
#include "StoreError.h"
#include "StorePendingRows.h"

namespace vistrel {

namespace {

constexpr const char* folderColumn = "\"vistrel_folder\"";
constexpr const char* leafColumn = "\"vistrel_leaf\"";

// The value a conjunction of the predicate fixes `attribute` to, if it fixes one: within one
// depth paths order as their (folder, leaf) pairs do, which the keys already hold.
std::optional<std::int64_t> pinned(const StorePredicate& predicate, const std::string& attribute)
{
    if (predicate.kind() == StorePredicate::Kind::conjunction) {
        if (auto left = pinned(predicate.left(), attribute))
            return left;
        return pinned(predicate.right(), attribute);
    }
    if (predicate.kind() == StorePredicate::Kind::equal && predicate.attribute() == attribute)
        if (const auto* value = std::get_if<std::int64_t>(&predicate.value()))
            return *value;
    return std::nullopt;
}

// The components of a path: "/" has none, "/a/" and "/a/b" one and two.
std::int64_t components(std::string_view path)
{
    std::int64_t count = 0;
    for (std::size_t index = 0; index + 1 < path.size(); ++index)
        count += path[index] == '/';
    return count;
}

} // namespace

StoreFolderSql::StoreFolderSql(const StoreSchema& schema, std::size_t pathLimit)
    : StoreSql(schema)
    , pathLimit_(pathLimit)
    , folderTable_(folderTable(schema))
    , itemTable_("\"" + schema.entityName + "\"")
    , pathAttribute_(schema.identityAttribute)
{
    if (!schema.hierarchy)
        throw StoreError(StoreError::Code::failed, "the schema of " + schema.entityName + " has no hierarchy");
    depthAttribute_ = schema.hierarchy->depthAttribute;
    leafNameAttribute_ = schema.hierarchy->leafNameAttribute;
    rootDepth_ = schema.hierarchy->rootDepth;
    pathIndex_ = schema.attributeIndex(pathAttribute_);
    depthIndex_ = schema.attributeIndex(depthAttribute_);
    leafNameIndex_ = schema.attributeIndex(leafNameAttribute_);
    if (pathIndex_ < 0 || depthIndex_ < 0 || leafNameIndex_ < 0
        || schema.attributes[static_cast<std::size_t>(pathIndex_)].optional
        || schema.attributes[static_cast<std::size_t>(depthIndex_)].optional)
        throw StoreError(StoreError::Code::failed,
                         "the hierarchy of " + schema.entityName + " names unknown attributes");
    for (std::size_t index = 0; index < schema.attributes.size(); ++index) {
        const std::string& name = schema.attributes[index].name;
        if (name.rfind("vistrel_", 0) == 0)
            throw StoreError(StoreError::Code::failed, "the attribute name " + name + " is reserved");
        if (static_cast<int>(index) != pathIndex_ && static_cast<int>(index) != depthIndex_)
            stored_.push_back(static_cast<int>(index));
    }
    everyRowColumns_.assign(schema.attributes.size(), -1);
    int column = 4;
    for (const int index : stored_) {
        if (index != leafNameIndex_)
            everyRowColumns_[static_cast<std::size_t>(index)] = column++;
    }
}

std::string StoreFolderSql::folderTable(const StoreSchema& schema)
{
    return "\"" + schema.entityName + "Folder\"";
}

std::pair<std::string_view, std::string_view> StoreFolderSql::split(std::string_view path)
{
    if (path.size() <= 1)
        return {std::string_view(), path};
    const std::size_t slash = path.substr(0, path.size() - 1).rfind('/');
    if (slash == std::string_view::npos)
        return {std::string_view(), path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

std::string_view StoreFolderSql::leafName(std::string_view leaf)
{
    if (leaf.size() > 1 && leaf.back() == '/')
        leaf.remove_suffix(1);
    return leaf;
}

std::vector<std::string> StoreFolderSql::createTables() const
{
    std::string items
        = "CREATE TABLE " + itemTable_ + " (" + folderColumn + " INTEGER NOT NULL, " + leafColumn + " BLOB NOT NULL";
    for (const int index : stored_) {
        const auto& attribute = schema_.attributes[static_cast<std::size_t>(index)];
        items += ", " + column(attribute.name);
        items += attribute.type == StoreSchema::AttributeType::text ? " BLOB" : " INTEGER";
        // The leaf name is left out where the leaf implies it.
        if (!attribute.optional && index != leafNameIndex_)
            items += " NOT NULL";
    }
    items += std::string(", PRIMARY KEY (") + folderColumn + ", " + leafColumn + ")) WITHOUT ROWID";
    return {
        "CREATE TABLE " + folderTable_ + " (\"number\" INTEGER PRIMARY KEY, \"depth\" INTEGER NOT NULL, "
            + "\"path\" BLOB NOT NULL)",
        "CREATE UNIQUE INDEX \"" + schema_.entityName + "FolderPlace\" ON " + folderTable_ + " (\"depth\", \"path\")",
        items,
    };
}

std::string StoreFolderSql::insert(std::size_t rows) const
{
    std::string row = "(?, ?";
    for (std::size_t index = 0; index < stored_.size(); ++index)
        row += ", ?";
    row += ")";
    std::string sql = "INSERT INTO " + itemTable_ + " (" + folderColumn + ", " + leafColumn;
    for (const int index : stored_)
        sql += ", " + column(schema_.attributes[static_cast<std::size_t>(index)].name);
    sql += ") VALUES " + row;
    for (std::size_t index = 1; index < rows; ++index)
        sql += ", " + row;
    return sql;
}

std::vector<std::size_t> StoreFolderSql::insertOrder(const StorePendingRows& rows) const
{
    return rows.orderedWithinFolders(depthIndex_, pathIndex_);
}

void StoreFolderSql::bindInsert(SqliteStatement& statement, int first, std::span<const StoreValueView> values,
                                const FolderNumber& folderNumber) const
{
    const auto* path = std::get_if<std::string_view>(&values[static_cast<std::size_t>(pathIndex_)]);
    const auto* depth = std::get_if<std::int64_t>(&values[static_cast<std::size_t>(depthIndex_)]);
    if (!path || !depth)
        throw StoreError(StoreError::Code::failed, "an object of " + schema_.entityName + " has no place");
    const auto [folder, leaf] = split(*path);
    statement.bindInteger(first, folderNumber(*depth, folder));
    statement.bindBytes(first + 1, leaf);
    int parameter = first + 2;
    for (const int index : stored_) {
        const StoreValueView& value = values[static_cast<std::size_t>(index)];
        const auto* text = std::get_if<std::string_view>(&value);
        if (index == leafNameIndex_ && text && *text == leafName(leaf))
            statement.bindNull(parameter);
        else if (const auto* number = std::get_if<std::int64_t>(&value))
            statement.bindInteger(parameter, *number);
        else if (text)
            statement.bindBytes(parameter, *text);
        else
            statement.bindNull(parameter);
        ++parameter;
    }
}

std::string StoreFolderSql::findFolder() const
{
    return "SELECT \"number\" FROM " + folderTable_ + " WHERE \"depth\" = ? AND \"path\" = ?";
}

std::string StoreFolderSql::addFolder() const
{
    return "INSERT INTO " + folderTable_ + " (\"depth\", \"path\") VALUES (?, ?)";
}

std::string StoreFolderSql::namedPath(std::int64_t parent, std::string_view name)
{
    std::string path(1 + 8, '\0');
    for (int index = 0; index < 8; ++index)
        path[static_cast<std::size_t>(1 + index)]
            = static_cast<char>(static_cast<std::uint64_t>(parent) >> (56 - 8 * index));
    return path.append(name);
}

std::optional<std::pair<std::int64_t, std::string_view>> StoreFolderSql::parseNamedPath(std::string_view stored)
{
    if (stored.size() < 1 + 8 || stored.front() != '\0')
        return std::nullopt;
    std::uint64_t parent = 0;
    for (std::size_t index = 1; index <= 8; ++index)
        parent = (parent << 8) | static_cast<unsigned char>(stored[index]);
    return std::pair(static_cast<std::int64_t>(parent), stored.substr(1 + 8));
}

namespace {

// Stored paths that begin with a NUL byte, which no real path holds: folders kept by name.
constexpr const char* named = "(f.\"path\" >= X'00' AND f.\"path\" < X'01')";

} // namespace

std::string StoreFolderSql::folderPath() const
{
    if (!holdsNamed_)
        return "f.\"path\"";
    return std::string("(CASE WHEN ") + named + " THEN vistrel_folder_path(f.\"number\") ELSE f.\"path\" END)";
}

std::string StoreFolderSql::fullPath() const
{
    return "CAST(" + folderPath() + " || i.\"vistrel_leaf\" AS BLOB)";
}

std::string StoreFolderSql::folderIs(std::string_view folder, std::vector<StoreValue>& bindings) const
{
    bindings.emplace_back(std::string(folder));
    if (keptWhole(folder))
        return "f.\"path\" = ?";
    return std::string("(") + named + " AND vistrel_folder_is(f.\"number\", ?))";
}

std::string StoreFolderSql::namedFolderUnder(const std::string& prefix, std::vector<StoreValue>& bindings) const
{
    bindings.emplace_back(prefix);
    return std::string("(") + named + " AND vistrel_folder_under(f.\"number\", ?))";
}

std::string StoreFolderSql::foldersUnder(const std::string& prefix, std::vector<StoreValue>& bindings) const
{
    // Every folder below a prefix this long is kept by name.
    if (!keptWhole(prefix))
        return namedFolderUnder(prefix, bindings);
    // Apart from the OR: the range binds its values before the named folders' condition does.
    std::string sql = prefixCondition("f.\"path\"", prefix, bindings);
    if (!holdsNamed_)
        return sql;
    return "(" + sql + " OR " + namedFolderUnder(prefix, bindings) + ")";
}

// Folders stay: they are only names, and a container may still hold their numbers.
std::string StoreFolderSql::deleteAll() const
{
    return "DELETE FROM " + itemTable_;
}

std::string StoreFolderSql::from() const
{
    // The folders drive the join: every condition on a path or a depth narrows them first.
    return " FROM " + folderTable_ + " AS f CROSS JOIN " + itemTable_ + " AS i ON i." + folderColumn
        + " = f.\"number\"";
}

std::string StoreFolderSql::expression(const std::string& attribute) const
{
    if (attribute == pathAttribute_)
        return fullPath();
    if (attribute == depthAttribute_)
        return "f.\"depth\"";
    if (attribute == leafNameAttribute_)
        return "COALESCE(i." + column(attribute) + ", vistrel_leaf_name(i." + leafColumn + "))";
    return "i." + column(attribute);
}

std::string StoreFolderSql::pathCondition(const StorePredicate& predicate, std::vector<StoreValue>& bindings,
                                          std::optional<std::int64_t> depth) const
{
    if (predicate.kind() == StorePredicate::Kind::greaterThan || predicate.kind() == StorePredicate::Kind::lessThan)
        return orderCondition(predicate.kind() == StorePredicate::Kind::greaterThan, predicate.value(), bindings);
    if (predicate.kind() == StorePredicate::Kind::equal) {
        const auto* path = std::get_if<std::string>(&predicate.value());
        if (!path)
            return "0"; // paths are never absent
        const auto [folder, leaf] = split(*path);
        const std::string sql = "(" + folderIs(folder, bindings) + " AND i." + leafColumn + " = ?)";
        bindings.emplace_back(std::string(leaf));
        return sql;
    }
    // What begins with P: rows in folders under P, and rows of P's own folder whose leaf
    // begins with the rest of P. Each part narrows the folders through their index.
    const std::string& prefix = std::get<std::string>(predicate.value());
    if (prefix.empty())
        return "1";
    // Rows deeper than the folder's own lie in the folders under it alone: a range of the
    // folders' index at that depth, rather than a walk of every folder of it.
    if (prefix.back() == '/' && depth && *depth > rootDepth_ + components(prefix))
        return foldersUnder(prefix, bindings);
    const auto [folder, rest] = split(prefix);
    if (!keptWhole(prefix)) {
        // Every folder below a prefix this long is kept by name.
        std::string sql = "(" + namedFolderUnder(prefix, bindings) + " OR (";
        sql += folderIs(folder, bindings) + " AND ";
        return sql + prefixCondition(std::string("i.") + leafColumn, std::string(rest), bindings) + "))";
    }
    std::string sql
        = "((" + prefixCondition("f.\"path\"", prefix, bindings) + " OR f.\"path\" = ?) AND (f.\"path\" <> ? OR ";
    bindings.emplace_back(std::string(folder));
    bindings.emplace_back(std::string(folder));
    sql += prefixCondition(std::string("i.") + leafColumn, std::string(rest), bindings) + "))";
    if (!holdsNamed_)
        return sql;
    return "(" + sql + " OR " + namedFolderUnder(prefix, bindings) + ")";
}

std::string StoreFolderSql::orderCondition(bool greater, const StoreValue& value,
                                           std::vector<StoreValue>& bindings) const
{
    const auto* bound = std::get_if<std::string>(&value);
    if (!bound)
        return "0";
    const std::string folder = folderPath();
    if (bound->empty())
        return greater ? "(length(" + folder + ") + length(i." + std::string(leafColumn) + ") > 0)" : "0";
    const std::string sign = greater ? " > " : " < ";
    // A folder that is not one of X's own folders (the '/'-ended beginnings of X) decides
    // alone, a row of one of X's folders by its leaf against the rest of X. Each of X's
    // folders is less than X, and X's folders are few.
    std::vector<std::size_t> ends; // the lengths of X's folders, "" included
    for (std::size_t index = 0; index < bound->size(); ++index) {
        if ((*bound)[index] == '/')
            ends.push_back(index + 1);
    }
    ends.insert(ends.begin(), 0);
    if (ends.size() > maximumFolderTerms) {
        // Rarely that deep: every row's path compared whole.
        bindings.emplace_back(*bound);
        return fullPath() + sign + "?";
    }
    std::string own = folder + " IN (";
    std::string leaves;
    for (std::size_t index = 0; index < ends.size(); ++index) {
        own += index ? ", ?" : "?";
        leaves += " OR (" + folder + " = ? AND i." + std::string(leafColumn) + sign + "?)";
    }
    own += ")";
    std::string sql = "((" + folder + sign + "?" + (greater ? "" : " AND NOT " + own) + ")" + leaves + ")";
    bindings.emplace_back(*bound);
    if (!greater) {
        for (const std::size_t end : ends)
            bindings.emplace_back(bound->substr(0, end));
    }
    for (const std::size_t end : ends) {
        bindings.emplace_back(bound->substr(0, end));
        bindings.emplace_back(bound->substr(end));
    }
    return sql;
}

std::string StoreFolderSql::condition(const StorePredicate& predicate, std::vector<StoreValue>& bindings) const
{
    return condition(predicate, bindings, pinned(predicate, depthAttribute_));
}

std::string StoreFolderSql::condition(const StorePredicate& predicate, std::vector<StoreValue>& bindings,
                                      std::optional<std::int64_t> depth) const
{
    const bool onPath
        = predicate.kind() != StorePredicate::Kind::conjunction && predicate.attribute() == pathAttribute_;
    switch (predicate.kind()) {
    case StorePredicate::Kind::equal:
        if (onPath)
            return pathCondition(predicate, bindings, depth);
        if (isAbsent(predicate.value()))
            return expression(predicate.attribute()) + " IS NULL";
        bindings.push_back(predicate.value());
        return expression(predicate.attribute()) + " = ?";
    case StorePredicate::Kind::greaterThan:
        if (onPath)
            return pathCondition(predicate, bindings, depth);
        bindings.push_back(predicate.value());
        return expression(predicate.attribute()) + " > ?";
    case StorePredicate::Kind::lessThan:
        if (onPath)
            return pathCondition(predicate, bindings, depth);
        bindings.push_back(predicate.value());
        return expression(predicate.attribute()) + " < ?";
    case StorePredicate::Kind::beginsWith:
        if (onPath)
            return pathCondition(predicate, bindings, depth);
        return prefixCondition(expression(predicate.attribute()), std::get<std::string>(predicate.value()), bindings);
    case StorePredicate::Kind::containsFolded:
        bindings.push_back(predicate.value());
        if (predicate.attribute() == leafNameAttribute_)
            return "vistrel_contains_name(i." + column(leafNameAttribute_) + ", i." + leafColumn + ", ?)";
        return "vistrel_contains(" + expression(predicate.attribute()) + ", ?)";
    case StorePredicate::Kind::conjunction: {
        std::string left = condition(predicate.left(), bindings, depth);
        return "(" + left + " AND " + condition(predicate.right(), bindings, depth) + ")";
    }
    }
    throw StoreError(StoreError::Code::failed, "unknown predicate");
}

std::string StoreFolderSql::keysWhere(const StorePredicate& predicate, std::vector<StoreValue>& bindings) const
{
    return std::string(" WHERE (") + folderColumn + ", " + leafColumn + ") IN (SELECT i." + folderColumn + ", i."
        + leafColumn + from() + " WHERE " + condition(predicate, bindings) + ")";
}

std::string StoreFolderSql::remove(const StorePredicate& predicate, std::vector<StoreValue>& bindings) const
{
    return "DELETE FROM " + itemTable_ + keysWhere(predicate, bindings);
}

std::string StoreFolderSql::adjust(const StorePredicate& predicate,
                                   const std::vector<std::pair<std::string, std::int64_t>>& deltas,
                                   std::vector<StoreValue>& bindings) const
{
    if (deltas.empty())
        throw StoreError(StoreError::Code::failed, "an adjustment changes nothing");
    std::string sql = "UPDATE " + itemTable_ + " SET ";
    for (std::size_t index = 0; index < deltas.size(); ++index) {
        const std::string& attribute = deltas[index].first;
        if (attribute == pathAttribute_ || attribute == depthAttribute_ || attribute == leafNameAttribute_)
            throw StoreError(StoreError::Code::failed, "the attribute " + attribute + " cannot be adjusted");
        const std::string name = column(attribute);
        sql += (index ? ", " : "") + name + " = " + name + " + ?";
        bindings.emplace_back(std::in_place_type<std::int64_t>, deltas[index].second);
    }
    return sql + keysWhere(predicate, bindings);
}

std::string StoreFolderSql::selectEveryRow(const std::optional<StorePredicate>& predicate,
                                           std::vector<StoreValue>& bindings,
                                           std::optional<std::pair<std::int64_t, std::int64_t>> part) const
{
    std::string sql
        = "SELECT " + folderPath() + ", i." + leafColumn + ", i." + column(leafNameAttribute_) + ", f.\"depth\"";
    for (const int index : stored_) {
        if (index != leafNameIndex_)
            sql += ", i." + column(schema_.attributes[static_cast<std::size_t>(index)].name);
    }
    sql += " FROM " + itemTable_ + " AS i CROSS JOIN " + folderTable_ + " AS f ON f.\"number\" = i." + folderColumn
        + " WHERE ";
    if (part) {
        sql += std::string("i.") + folderColumn + " >= ? AND i." + folderColumn + " < ? AND ";
        bindings.emplace_back(part->first);
        bindings.emplace_back(part->second);
    }
    return sql + (predicate ? condition(*predicate, bindings) : "1");
}

void StoreFolderSql::everyRowValue(const SqliteStatement& statement, int attribute, StoreValue& into) const
{
    if (attribute == pathIndex_) {
        std::string& path = assignText(into, std::get<std::string_view>(statement.view(0)));
        path += std::get<std::string_view>(statement.view(1));
    } else if (attribute == leafNameIndex_) {
        if (!statement.isNull(2))
            statement.valueInto(2, into);
        else
            assignText(into, leafName(std::get<std::string_view>(statement.view(1))));
    } else {
        statement.valueInto(attribute == depthIndex_ ? 3 : everyRowColumns_[static_cast<std::size_t>(attribute)], into);
    }
}

std::string StoreFolderSql::storagePositions() const
{
    return "SELECT COALESCE(MAX(\"number\"), 0) + 1 FROM " + folderTable_;
}

std::string StoreFolderSql::selectList(const std::vector<std::string>& attributes, StoreSelectColumns& columns) const
{
    std::string sql;
    int at = 0; // the next column
    const std::size_t count = attributes.empty() ? schema_.attributes.size() : attributes.size();
    for (std::size_t index = 0; index < count; ++index) {
        const std::string& name = attributes.empty() ? schema_.attributes[index].name : attributes[index];
        sql += index ? ", " : "";
        if (name == pathAttribute_) {
            sql += folderPath() + ", i." + leafColumn;
            columns.add(at, StoreSelectColumns::Kind::joined);
            at += 2;
        } else if (name == leafNameAttribute_) {
            sql += "i." + column(name) + ", i." + leafColumn;
            columns.add(at, StoreSelectColumns::Kind::leafName);
            at += 2;
        } else {
            sql += expression(name);
            columns.add(at++, StoreSelectColumns::Kind::plain);
        }
    }
    return sql;
}

StoreSelectColumns StoreFolderSql::selectColumns(const std::vector<std::string>& attributes) const
{
    StoreSelectColumns columns;
    selectList(attributes, columns);
    return columns;
}

std::string StoreFolderSql::select(const StoreFetchDescriptor& descriptor, std::vector<StoreValue>& bindings) const
{
    StoreSelectColumns columns;
    std::string sql = "SELECT " + selectList(descriptor.attributes, columns) + from();
    if (descriptor.predicate)
        sql += " WHERE " + condition(*descriptor.predicate, bindings);
    // Rows of one depth, or already ordered by depth, order by path as by (folder, leaf).
    bool oneDepth = descriptor.predicate && pinned(*descriptor.predicate, depthAttribute_);
    for (std::size_t index = 0; index < descriptor.sortBy.size(); ++index) {
        const auto& key = descriptor.sortBy[index];
        const std::string direction = key.ascending ? " ASC" : " DESC";
        sql += index ? ", " : " ORDER BY ";
        if (key.attribute == depthAttribute_)
            oneDepth = true;
        if (key.attribute == pathAttribute_ && oneDepth)
            sql += folderPath() + direction + ", i." + leafColumn + direction;
        else
            sql += expression(key.attribute) + direction;
    }
    if (descriptor.limit) {
        sql += " LIMIT ?";
        bindings.emplace_back(std::in_place_type<std::int64_t>, *descriptor.limit);
    }
    return sql;
}

std::string StoreFolderSql::selectByFolder(const std::string& folder, const std::vector<std::string>& attributes,
                                           std::vector<StoreValue>& bindings) const
{
    StoreSelectColumns columns;
    std::string sql = "SELECT " + selectList(attributes, columns);
    // The limit keeps the sorted folders a subquery of their own, whose order the join keeps.
    sql += " FROM (SELECT \"number\", \"depth\", \"path\" FROM " + folderTable_ + " AS f WHERE "
        + foldersUnder(folder, bindings) + " ORDER BY " + folderPath() + " LIMIT -1) AS f CROSS JOIN " + itemTable_
        + " AS i ON i." + folderColumn + " = f.\"number\"";
    return sql;
}

std::string StoreFolderSql::count(const std::optional<StorePredicate>& predicate,
                                  std::vector<StoreValue>& bindings) const
{
    if (!predicate)
        return "SELECT COUNT(*) FROM " + itemTable_;
    return "SELECT COUNT(*)" + from() + " WHERE " + condition(*predicate, bindings);
}

} // namespace vistrel
