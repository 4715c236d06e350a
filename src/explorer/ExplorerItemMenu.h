#pragma once

#include "ItemUrl.h"

#include <functional>

class QMenu;
class QWidget;

namespace vistrel {

// The context menu of an item, shared by the table and the search results: "Set as current
// directory" (directories only) and a divider, "Open in File Manager", "Copy path". Nothing
// for a URL that is not a snapshot item ("Other files"). The caller owns the menu.
class ExplorerItemMenu {
public:
    static QMenu* make(const ItemUrl& url, const std::function<void()>& setAsCurrentDirectory, QWidget* parent);
};

} // namespace vistrel
