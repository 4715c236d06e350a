#include "StoreContext.h"

#include "SqliteConnection.h"
#include "StoreContainer.h"
#include "StoreError.h"
#include "StoreSql.h"

namespace vistrel {

StoreContext::StoreContext(std::shared_ptr<StoreContainer> owner, StoreContainer* container,
                           std::unique_ptr<SqliteConnection> connection)
    : owner_(std::move(owner))
    , container_(container)
    , connection_(std::move(connection))
{
}

StoreContext::~StoreContext()
{
    // Statements go before their connection.
    insertStatement_.reset();
    connection_.reset();
}

void StoreContext::insert(StoredObject object)
{
    if (object.values.size() != container_->schema().attributes.size())
        throw StoreError(StoreError::Code::failed, "an object does not match the schema of " + container_->schema().entityName);
    pending_.push_back(std::move(object));
    if (autosave_)
        save();
}

void StoreContext::save()
{
    if (pending_.empty())
        return;
    std::vector<StoredObject> batch = std::move(pending_);
    pending_.clear();
    if (!insertStatement_)
        insertStatement_ = connection_->prepare(StoreSql(container_->schema()).insert(), true);
    SqliteStatement& statement = *insertStatement_;
    connection_->execute("BEGIN IMMEDIATE");
    try {
        for (const StoredObject& object : batch) {
            for (std::size_t index = 0; index < object.values.size(); ++index)
                statement.bind(static_cast<int>(index + 1), object.values[index]);
            statement.step();
            statement.reset();
        }
        connection_->execute("COMMIT");
    } catch (...) {
        statement.reset();
        try {
            connection_->execute("ROLLBACK");
        } catch (const StoreError&) {
            // SQLite may already have rolled back (a full disk does that).
        }
        throw;
    }
}

std::vector<StoredObject> StoreContext::fetch(const StoreFetchDescriptor& descriptor)
{
    std::vector<StoreValue> bindings;
    const std::string sql = StoreSql(container_->schema()).select(descriptor, bindings);
    auto statement = connection_->prepare(sql);
    for (std::size_t index = 0; index < bindings.size(); ++index)
        statement->bind(static_cast<int>(index + 1), bindings[index]);
    std::vector<StoredObject> objects;
    const int columns = statement->columnCount();
    while (statement->step()) {
        StoredObject object;
        object.values.reserve(static_cast<std::size_t>(columns));
        for (int column = 0; column < columns; ++column)
            object.values.push_back(statement->value(column));
        objects.push_back(std::move(object));
    }
    return objects;
}

std::int64_t StoreContext::count(const std::optional<StorePredicate>& predicate)
{
    std::vector<StoreValue> bindings;
    const std::string sql = StoreSql(container_->schema()).count(predicate, bindings);
    auto statement = connection_->prepare(sql);
    for (std::size_t index = 0; index < bindings.size(); ++index)
        statement->bind(static_cast<int>(index + 1), bindings[index]);
    return statement->step() ? statement->integer(0) : 0;
}

} // namespace vistrel
