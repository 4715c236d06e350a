#include "StoreCursor.h"

#include "SqliteStatement.h"
#include "StoreContainer.h"
#include "StoreContext.h"

namespace vistrel {

StoreCursor::StoreCursor(StoreContext& context, std::unique_ptr<std::vector<StoreValue>> bindings,
                         std::unique_ptr<SqliteStatement> statement, StoreSelectColumns columns)
    : context_(context)
    , bindings_(std::move(bindings))
    , statement_(std::move(statement))
    , columns_(std::move(columns))
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
    columns_.views(*statement_, values_);
    return true;
}

} // namespace vistrel
