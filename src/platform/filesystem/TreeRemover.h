#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vistrel {

class ResolvedItem;

// Removes a resolved file, or folder with everything in it, as it is on disk now: by name,
// through directory descriptors, so a path longer than PATH_MAX or a folder renamed meanwhile
// never makes it remove anything else. A symbolic link is removed itself, never followed;
// another file system or mount inside (a bind mount too) is not entered, and stays: the
// reference is the mount of the folder holding the item, never the item's own. A failure on
// one item never stops the others: each is reported with its reason.
class TreeRemover {
public:
    struct Failure {
        std::string path;
        std::string reason;
    };
    struct Result {
        std::int64_t removed = 0; // entries, the folder itself included
        std::vector<Failure> failures;
        bool cancelled = false;
        bool complete() const { return failures.empty() && !cancelled; }
    };

    // `cancelled` is asked between items; `progress` hears the count removed so far.
    static Result remove(const ResolvedItem& item, const std::function<bool()>& cancelled = {},
                         const std::function<void(std::int64_t removed)>& progress = {});
};

} // namespace vistrel
