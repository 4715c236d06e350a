#pragma once

#include "DuplicateFinder.h"

#include <string>
#include <vector>

namespace vistrel {

// Whole folders that are copies of one another: the same names holding the same contents, all
// the way down. Reported as one group instead of a group for each of their files.
class DuplicateFolders {
public:
    // `files`: the groups of copied files; `items`: every item below the root the groups were
    // found under (folders end with '/'). Returns the folder groups (the largest copies only:
    // a folder whose copies all lie in copied folders is not listed again) and the file groups
    // that remain once each copied folder counts as one; the most wasteful first. A folder
    // holding anything that is not a copied file (a file of its own, an empty file, a link) is
    // no copy; neither is one that holds no file at all.
    static std::vector<DuplicateFinder::Group> fold(std::vector<DuplicateFinder::Group> files,
                                                    const std::vector<std::string>& items);
};

} // namespace vistrel
