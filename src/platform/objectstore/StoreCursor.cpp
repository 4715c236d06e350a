#include "StoreCursor.h"

#include "SqliteStatement.h"
#include "StoreContainer.h"
#include "StoreContext.h"

namespace vistrel {

StoreCursor::StoreCursor(StoreContext& context, std::unique_ptr<std::vector<StoreValue>> bindings,
                         std::unique_ptr<SqliteStatement> statement)
    : context_(context)
    , bindings_(std::move(bindings))
    , statement_(std::move(statement))
    , values_(static_cast<std::size_t>(statement_->columnCount()))
{
}

StoreCursor::~StoreCursor() = default;

bool StoreCursor::next()
{
    if (ended_)
        return false;
    if (!statement_->step()) {
        ended_ = true;
        // As every fetch does: rows of a file another program rewrote are not passed off.
        context_.container().checkUnchanged();
        return false;
    }
    for (std::size_t column = 0; column < values_.size(); ++column)
        values_[column] = statement_->view(static_cast<int>(column));
    return true;
}

} // namespace vistrel
