#pragma once

#include <string>

struct sqlite3;

namespace vistrel {

// The SQL functions that put together the path of a folder kept as its parent's number and
// its name (StoreFolderSql::namedPath()), for folders whose whole path would make a deep tree cost its depth squared:
//   vistrel_folder_path(number)          the folder's path
//   vistrel_folder_is(number, path)      whether it is that path
//   vistrel_folder_under(number, prefix) whether its path begins with the prefix
// Each connection keeps the paths it has put together, and forgets them when it writes: a
// rolled-back folder's number may come back as another folder.
class StoreFolderPaths {
public:
    static void install(sqlite3* database, const std::string& folderTable);
};

} // namespace vistrel
