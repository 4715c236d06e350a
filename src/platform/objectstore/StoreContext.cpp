#include "StoreContext.h"

#include "SqliteConnection.h"
#include "StoreContainer.h"
#include "StoreCursor.h"
#include "StoreError.h"
#include "StoreFolders.h"
#include "StoreSql.h"
#include "StoreTopRows.h"

#include <algorithm>
#include <iterator>

namespace vistrel {

namespace {

// A descriptor's limit as a count of rows: none is every row.
std::size_t rowLimit(const StoreFetchDescriptor& descriptor)
{
    return descriptor.limit ? static_cast<std::size_t>(std::max<std::int64_t>(0, *descriptor.limit)) : SIZE_MAX;
}

} // namespace

StoreContext::StoreContext(std::shared_ptr<StoreContainer> owner, StoreContainer* container,
                           std::unique_ptr<SqliteConnection> connection)
    : owner_(std::move(owner))
    , container_(container)
    , connection_(std::move(connection))
{
}

StoreContext::~StoreContext()
{
    connection_.reset();
}

void StoreContext::insert(const StoredObject& object)
{
    std::vector<StoreValueView> values;
    values.reserve(object.values.size());
    for (const StoreValue& value : object.values) {
        if (const auto* number = std::get_if<std::int64_t>(&value))
            values.emplace_back(*number);
        else if (const auto* text = std::get_if<std::string>(&value))
            values.emplace_back(std::string_view(*text));
        else
            values.emplace_back(std::monostate{});
    }
    insert(values);
}

void StoreContext::insert(std::span<const StoreValueView> values)
{
    if (values.size() != container_->schema().attributes.size())
        throw StoreError(StoreError::Code::failed,
                         "an object does not match the schema of " + container_->schema().entityName);
    pending_.append(values);
    if (autosave_)
        save();
}

void StoreContext::reserve(std::size_t rows, std::size_t textBytes)
{
    pending_.reserve(rows, textBytes + rows * container_->schema().attributes.size() * StorePendingRows::bytesPerValue);
}

void StoreContext::removeWhere(StorePredicate predicate)
{
    changes_.push_back(Change{std::move(predicate), {}});
}

void StoreContext::adjustWhere(StorePredicate predicate, std::vector<std::pair<std::string, std::int64_t>> deltas)
{
    if (deltas.empty())
        return;
    changes_.push_back(Change{std::move(predicate), std::move(deltas)});
}

void StoreContext::setMetadataAtSave(std::string key, std::string value)
{
    metadata_.emplace_back(std::move(key), std::move(value));
}

void StoreContext::save()
{
    if (pending_.empty() && changes_.empty() && metadata_.empty())
        return;
    // The sort runs before the write lock is taken, so it also shortens the part that saves
    // wait for.
    const StoreSql& sql = container_->sql();
    const bool numbersFolders = container_->layout() == StoreContainer::Layout::folders;
    const std::vector<std::size_t> order = sql.insertOrder(pending_);
    // Rows of one folder arrive together, so its number is looked up once per run.
    std::optional<std::pair<std::int64_t, std::string_view>> lastFolder;
    std::int64_t lastNumber = 0;
    const StoreSql::FolderNumber folderNumber = [&](std::int64_t depth, std::string_view folder) {
        if (!lastFolder || lastFolder->first != depth || lastFolder->second != folder) {
            lastNumber = container_->folders().number(*container_->keepAlive_, depth, folder);
            lastFolder.emplace(depth, folder);
        }
        return lastNumber;
    };
    std::vector<StoreValueView> values;
    const auto bind = [&](SqliteStatement& statement, std::size_t offset, int first) {
        pending_.decode(offset, values);
        sql.bindInsert(statement, first, values, folderNumber);
    };
    const int width = sql.insertWidth();
    std::lock_guard writing(container_->writeMutex());
    SqliteConnection& writer = *container_->keepAlive_;
    SqliteStatement* current = nullptr;
    const std::vector<Change> changes = std::move(changes_);
    changes_.clear();
    const auto metadata = std::move(metadata_);
    metadata_.clear();
    try {
        writer.execute("BEGIN IMMEDIATE");
        for (const Change& change : changes) {
            std::vector<StoreValue> bindings;
            auto statement
                = writer.prepare(change.deltas.empty() ? sql.remove(change.predicate, bindings)
                                                       : sql.adjust(change.predicate, change.deltas, bindings));
            for (std::size_t index = 0; index < bindings.size(); ++index)
                statement->bind(static_cast<int>(index + 1), bindings[index]);
            statement->step();
        }
        for (const auto& [key, value] : metadata)
            container_->writeMetadata(key, value);
        std::size_t next = 0;
        // Many rows per statement: the statement's own start and end cost as much as a row.
        for (current = &container_->insertStatement(rowsPerInsert); next + rowsPerInsert <= order.size();
             next += rowsPerInsert) {
            for (std::size_t row = 0; row < rowsPerInsert; ++row)
                bind(*current, order[next + row], 1 + static_cast<int>(row) * width);
            current->step();
            current->reset();
        }
        for (current = &container_->insertStatement(1); next < order.size(); ++next) {
            bind(*current, order[next], 1);
            current->step();
            current->reset();
        }
        writer.execute("COMMIT");
        if (numbersFolders)
            container_->folders().committed();
    } catch (...) {
        if (current)
            current->reset();
        pending_.clear();
        writer.rollbackQuietly();
        if (numbersFolders)
            container_->folders().rolledBack();
        throw;
    }
    pending_.clear();
}

void StoreContext::interrupt()
{
    interrupted_ = true;
    connection_->interrupt();
}

void StoreContext::checkInterrupted() const
{
    if (interrupted_)
        throw StoreError(StoreError::Code::failed, "interrupted");
}

std::vector<StoredObject> StoreContext::fetch(const StoreFetchDescriptor& descriptor)
{
    std::vector<StoredObject> objects;
    fetchEach(descriptor, [&objects](StoredObject&& object) { objects.push_back(std::move(object)); });
    return objects;
}

std::unique_ptr<SqliteStatement> StoreContext::prepareSelect(const StoreFetchDescriptor& descriptor,
                                                             std::vector<StoreValue>& bindings)
{
    checkInterrupted();
    return prepareBound(container_->sql().select(descriptor, bindings), bindings);
}

std::unique_ptr<SqliteStatement> StoreContext::prepareBound(const std::string& sql, std::vector<StoreValue>& bindings)
{
    auto statement = connection_->prepare(sql);
    for (std::size_t index = 0; index < bindings.size(); ++index)
        statement->bind(static_cast<int>(index + 1), bindings[index]);
    return statement;
}

void StoreContext::fetchEach(const StoreFetchDescriptor& descriptor, const std::function<void(StoredObject&&)>& receive)
{
    fetchEachView(descriptor, [&receive](std::span<const StoreValueView> values) {
        StoredObject object;
        object.values.reserve(values.size());
        for (const StoreValueView& value : values) {
            if (const auto* number = std::get_if<std::int64_t>(&value))
                object.values.emplace_back(*number);
            else if (const auto* text = std::get_if<std::string_view>(&value))
                object.values.emplace_back(std::string(*text));
            else
                object.values.emplace_back(std::monostate{});
        }
        receive(std::move(object));
    });
}

void StoreContext::fetchEachView(const StoreFetchDescriptor& descriptor,
                                 const std::function<void(std::span<const StoreValueView>)>& receive)
{
    std::vector<StoreValue> bindings;
    auto statement = prepareSelect(descriptor, bindings);
    StoreSelectColumns columns = container_->sql().selectColumns(descriptor.attributes);
    std::vector<StoreValueView> values;
    while (statement->step()) {
        columns.views(*statement, values);
        receive(values);
    }
    container_->checkUnchanged();
}

void StoreContext::setPageCacheLimit(int kibibytes)
{
    connection_->execute("PRAGMA cache_size = -" + std::to_string(std::max(kibibytes, 64)));
}

std::unique_ptr<StoreCursor> StoreContext::openCursor(const StoreFetchDescriptor& descriptor)
{
    auto bindings = std::make_unique<std::vector<StoreValue>>();
    auto statement = prepareSelect(descriptor, *bindings);
    return std::unique_ptr<StoreCursor>(new StoreCursor(*this, std::move(bindings), std::move(statement),
                                                        container_->sql().selectColumns(descriptor.attributes)));
}

std::unique_ptr<StoreCursor> StoreContext::openFolderCursor(const std::string& folder,
                                                            const std::vector<std::string>& attributes)
{
    checkInterrupted();
    if (folder.empty() || folder.back() != '/' || attributes.empty())
        throw StoreError(StoreError::Code::failed, "a folder cursor needs a folder and attributes");
    auto bindings = std::make_unique<std::vector<StoreValue>>();
    auto statement = prepareBound(container_->sql().selectByFolder(folder, attributes, *bindings), *bindings);
    return std::unique_ptr<StoreCursor>(
        new StoreCursor(*this, std::move(bindings), std::move(statement), container_->sql().selectColumns(attributes)));
}

std::vector<std::pair<int, bool>> StoreContext::sortColumns(const std::vector<StoreSortKey>& sortBy) const
{
    const StoreSchema& schema = container_->schema();
    std::vector<std::pair<int, bool>> keys; // column, ascending
    for (const auto& key : sortBy) {
        const int column = schema.attributeIndex(key.attribute);
        if (column < 0)
            throw StoreError(StoreError::Code::failed, "unknown attribute " + key.attribute);
        keys.emplace_back(column, key.ascending);
    }
    return keys;
}

std::pair<std::int64_t, std::vector<StoredObject>> StoreContext::fetchWithTotal(const StoreFetchDescriptor& descriptor)
{
    // One pass over the matching rows in storage order: every row is counted, only its sort
    // keys are read, and a bounded heap keeps the best `limit` rows. SQLite would otherwise
    // need a second pass for the count, or buffer every match for a window.
    std::vector<StoreValue> bindings;
    auto statement = prepareSelect({descriptor.predicate, {}, std::nullopt}, bindings);
    const auto keys = sortColumns(descriptor.sortBy);
    const std::size_t limit = rowLimit(descriptor);
    StoreTopRows top(keys, limit);
    const StoreSelectColumns columns = container_->sql().selectColumns({});
    const auto read = [&](int attribute, StoreValue& into) {
        columns.valueInto(*statement, static_cast<std::size_t>(attribute), into);
    };
    while (statement->step())
        top.add(read, static_cast<int>(columns.size()));
    container_->checkUnchanged();
    return top.take();
}

std::vector<std::pair<int, bool>> StoreContext::tieBrokenSortColumns(const StoreFetchDescriptor& descriptor) const
{
    auto keys = sortColumns(descriptor.sortBy);
    for (const std::string& attribute : container_->schema().indexAttributes)
        keys.emplace_back(container_->schema().attributeIndex(attribute), true);
    return keys;
}

StoreContext::Top StoreContext::fetchWithTotalInParts(const StoreFetchDescriptor& descriptor, std::size_t part,
                                                      std::size_t parts)
{
    // Rows come in storage order, which need not be the index's.
    const auto keys = tieBrokenSortColumns(descriptor);
    checkInterrupted();
    const StoreSql& sql = container_->sql();
    std::optional<std::pair<std::int64_t, std::int64_t>> range;
    if (parts > 1) {
        const std::string positions = sql.storagePositions();
        if (positions.empty()) { // no parts: the first one is the whole pass
            if (part > 0)
                return {};
        } else {
            const auto count = std::get<std::int64_t>(connection_->queryValue(positions));
            const auto share = [&](std::size_t index) {
                return static_cast<std::int64_t>(static_cast<double>(count) * static_cast<double>(index)
                                                 / static_cast<double>(parts));
            };
            range = std::pair(share(part), part + 1 == parts ? INT64_MAX : share(part + 1));
        }
    }
    std::vector<StoreValue> bindings;
    auto statement = prepareBound(sql.selectEveryRow(descriptor.predicate, bindings, range), bindings);
    const std::size_t limit = rowLimit(descriptor);
    StoreTopRows top(keys, limit, descriptor.sortBy.size());
    const StoreTopRows::Reader read
        = [&](int attribute, StoreValue& into) { sql.everyRowValue(*statement, attribute, into); };
    const int attributeCount = static_cast<int>(container_->schema().attributes.size());
    while (statement->step())
        top.add(read, attributeCount);
    container_->checkUnchanged();
    return top.take();
}

void StoreContext::mergeTop(const StoreFetchDescriptor& descriptor, Top& into, Top&& part) const
{
    const auto keys = tieBrokenSortColumns(descriptor);
    const std::size_t limit = rowLimit(descriptor);
    // Each part's rows come sorted as the pass would keep them: a merge keeps the same ones.
    const auto before
        = [&keys](const StoredObject& a, const StoredObject& b) { return StoreTopRows::before(keys, a, b); };
    std::vector<StoredObject> merged;
    merged.reserve(into.second.size() + part.second.size());
    std::merge(std::make_move_iterator(into.second.begin()), std::make_move_iterator(into.second.end()),
               std::make_move_iterator(part.second.begin()), std::make_move_iterator(part.second.end()),
               std::back_inserter(merged), before);
    if (merged.size() > limit)
        merged.resize(limit);
    into = {into.first + part.first, std::move(merged)};
}

std::int64_t StoreContext::count(const std::optional<StorePredicate>& predicate)
{
    checkInterrupted();
    std::vector<StoreValue> bindings;
    const std::string sql = container_->sql().count(predicate, bindings);
    auto statement = connection_->prepare(sql);
    for (std::size_t index = 0; index < bindings.size(); ++index)
        statement->bind(static_cast<int>(index + 1), bindings[index]);
    const std::int64_t total = statement->step() ? statement->integer(0) : 0;
    container_->checkUnchanged();
    return total;
}

} // namespace vistrel

namespace vistrel {

std::vector<std::string> StoreContext::queryPlan(const StoreFetchDescriptor& descriptor, bool countOnly)
{
    std::vector<StoreValue> bindings;
    const StoreSql& sql = container_->sql();
    const std::string text = countOnly ? sql.count(descriptor.predicate, bindings) : sql.select(descriptor, bindings);
    auto statement = connection_->prepare("EXPLAIN QUERY PLAN " + text);
    for (std::size_t index = 0; index < bindings.size(); ++index)
        statement->bind(static_cast<int>(index + 1), bindings[index]);
    std::vector<std::string> lines;
    while (statement->step())
        lines.push_back(statement->bytes(3));
    return lines;
}

} // namespace vistrel
