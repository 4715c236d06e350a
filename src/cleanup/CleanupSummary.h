#pragma once

#include "CleanupModel.h"

#include <QString>

#include <string>
#include <vector>

namespace vistrel {

// What the window says after a cleanup: what went where and how much it took, and the
// volume's free space before and after. A move to the trash frees nothing until the trash
// is emptied (a trash is always on the item's own volume), and the text says so.
class CleanupSummary {
public:
    static QString of(const CleanupModel::Report& report);
    // "“a”", "“a”, “b”", "“a”, “b”, “c” and 2 more": names as the window shows them.
    static QString names(const std::vector<std::string>& paths);
    // The Edit menu's items for a selection: "Move “debug.log” to Trash",
    // "Delete “build” Permanently…", "Move 3 Items to Trash".
    static QString moveToTrashLabel(const std::vector<std::string>& paths);
    static QString deletePermanentlyLabel(const std::vector<std::string>& paths);
};

} // namespace vistrel
