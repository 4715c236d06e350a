#pragma once

#include "scanner/ExclusionPatterns.h"

#include <QString>

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vistrel {

// Why a folder of the snapshot has no figures ("-"): a scan records a folder without walking
// it when an exclusion matched it, when another file system is mounted on it, when it could
// not be read, or when it is empty. Told apart by the snapshot's patterns and unreadable
// folders, and this machine's mount points.
class UnmeasuredFolders {
public:
    // unreadableOrEmpty: a snapshot that did not keep its unreadable folders.
    enum class Reason { excluded, otherFileSystem, unreadable, empty, unreadableOrEmpty };

    UnmeasuredFolders() = default;
    // `mountPoints` as mountinfo lists them ("/proc", "/home"); patterns as the scan had them.
    // A folder that could not be read, and why ("Permission denied").
    struct Unreadable {
        std::string path;
        std::string reason;
    };
    UnmeasuredFolders(const std::vector<std::string>& exclusionPatterns, const std::vector<std::string>& mountPoints,
                      std::optional<std::vector<Unreadable>> unreadable = std::nullopt);

    // For a folder path ending in "/" that has no figures.
    Reason reason(const std::string& directoryPath) const;
    // What the row's tooltip says; for an unreadable folder, with the reason the scan met.
    static QString describe(Reason reason, const std::string& why = {});
    QString describe(const std::string& directoryPath) const;
    const std::vector<std::string>& exclusionPatterns() const { return exclusions_.patterns(); }
    // The unreadable folders in the order the scan met them (empty when not kept).
    const std::vector<Unreadable>& unreadableFolders() const { return unreadableInOrder_; }

private:
    ExclusionPatterns exclusions_;
    std::unordered_set<std::string> mountPoints_; // each ending in "/"
    std::optional<std::unordered_map<std::string, std::string>> unreadable_; // path → reason
    std::vector<Unreadable> unreadableInOrder_;
};

} // namespace vistrel
