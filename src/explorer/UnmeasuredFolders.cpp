#include "UnmeasuredFolders.h"

namespace vistrel {

UnmeasuredFolders::UnmeasuredFolders(const std::vector<std::string>& exclusionPatterns,
                                     const std::vector<std::string>& mountPoints,
                                     std::optional<std::vector<std::string>> unreadablePaths)
{
    if (unreadablePaths) {
        unreadable_.emplace(unreadablePaths->begin(), unreadablePaths->end());
        unreadableInOrder_ = std::move(*unreadablePaths);
    }
    // A pattern the scan could not have used matches nothing here either.
    std::vector<std::string> usable;
    for (const std::string& pattern : exclusionPatterns)
        if (ExclusionPatterns::problemWith(pattern).empty())
            usable.push_back(pattern);
    exclusions_ = ExclusionPatterns(std::move(usable));
    for (const std::string& point : mountPoints)
        mountPoints_.insert(point.empty() || point.back() != '/' ? point + "/" : point);
}

UnmeasuredFolders::Reason UnmeasuredFolders::reason(const std::string& directoryPath) const
{
    if (exclusions_.excludes(directoryPath))
        return Reason::excluded;
    if (mountPoints_.count(directoryPath))
        return Reason::otherFileSystem;
    if (!unreadable_)
        return Reason::unreadableOrEmpty;
    return unreadable_->count(directoryPath) ? Reason::unreadable : Reason::empty;
}

QString UnmeasuredFolders::describe(Reason reason)
{
    switch (reason) {
    case Reason::excluded:
        return QStringLiteral("Left out of the scan by an exclusion in Preferences");
    case Reason::otherFileSystem:
        return QStringLiteral("Another file system is mounted here: scan it on its own");
    case Reason::empty:
        return QStringLiteral("An empty folder: 0 files");
    case Reason::unreadableOrEmpty:
        return QStringLiteral("Empty, or could not be read during the scan");
    case Reason::unreadable:
        break;
    }
    return QStringLiteral("Could not be read during the scan: its contents are not counted");
}

} // namespace vistrel
