#include "UnmeasuredFolders.h"

namespace vistrel {

UnmeasuredFolders::UnmeasuredFolders(const std::vector<std::string>& exclusionPatterns,
                                     const std::vector<std::string>& mountPoints,
                                     std::optional<std::vector<Unreadable>> unreadable)
{
    if (unreadable) {
        unreadable_.emplace();
        for (const Unreadable& folder : *unreadable)
            unreadable_->emplace(folder.path, folder.reason);
        unreadableInOrder_ = std::move(*unreadable);
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

QString UnmeasuredFolders::describe(const std::string& directoryPath) const
{
    const Reason why = reason(directoryPath);
    if (why == Reason::unreadable) {
        const auto found = unreadable_->find(directoryPath);
        return describe(why, found == unreadable_->end() ? std::string() : found->second);
    }
    return describe(why);
}

QString UnmeasuredFolders::describe(Reason reason, const std::string& why)
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
    if (!why.empty())
        return QStringLiteral("Could not be read during the scan (%1): its contents are not counted")
            .arg(QString::fromUtf8(why.data(), static_cast<qsizetype>(why.size())));
    return QStringLiteral("Could not be read during the scan: its contents are not counted");
}

} // namespace vistrel
