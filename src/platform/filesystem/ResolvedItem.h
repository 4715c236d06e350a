#pragma once

#include "DirectoryHandle.h"
#include "FileStatus.h"

#include <memory>
#include <optional>
#include <string>

namespace vistrel {

// An item of a scanned tree reached from the tree's root one component at a time, never
// through a symbolic link and never onto another mount, and found to be what the snapshot
// says it is. Cleanup acts on the folder handle and name it holds, never on a path again,
// so a folder swapped for a link or a file system mounted on the way cannot redirect it.
class ResolvedItem {
public:
    struct Resolution;

    // Reaches `path` below `root`, both absolute, folders ending with '/'; a path ending
    // with '/' must be a folder now, any other must not be. `root` itself resolves to the
    // root (with no parent), for a rescan; cleanup refuses it before this.
    static Resolution resolve(const std::string& root, const std::string& path);

    const std::string& path() const { return path_; }
    // The folder holding the item, opened beneath the root; invalid for the root itself.
    int parentFd() const { return parent_->fd(); }
    const std::string& name() const { return name_; }
    bool isRoot() const { return !parent_ || !parent_->isValid(); }
    // The item as it was when resolved.
    const FileStatus& status() const { return status_; }
    bool isDirectory() const { return status_.isDirectory(); }
    // The device and mount every resolved component shares with the root.
    std::uint64_t device() const { return device_; }
    std::optional<std::uint64_t> mountId() const { return mountId_; }

    // Why the item is no longer the one resolved (gone, replaced, a mount on it now), or
    // none: asked again just before each change.
    std::optional<std::string> recheck() const;
    // The item itself as a folder, opened without following a link; checked to be the
    // folder resolved. Invalid with *errorNumber set otherwise.
    DirectoryHandle openFolder(int* errorNumber = nullptr) const;

private:
    ResolvedItem() = default;

    std::string path_;
    std::shared_ptr<DirectoryHandle> parent_;
    std::shared_ptr<DirectoryHandle> rootFolder_; // the root itself, when it is the item
    std::string name_;
    FileStatus status_;
    std::uint64_t device_ = 0;
    std::optional<std::uint64_t> mountId_;
};

struct ResolvedItem::Resolution {
    std::optional<ResolvedItem> item;
    std::string refusal; // why not, when there is no item
    bool gone = false; // the item, or a folder on its way, no longer exists
};

} // namespace vistrel
