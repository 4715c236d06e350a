#include "TreeRemover.h"

#include "DirectoryHandle.h"
#include "DirectoryListing.h"
#include "FileSystemMetadata.h"
#include "ResolvedItem.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

struct Identity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const Identity&) const = default;
};

std::optional<Identity> identityOf(int fd)
{
    struct stat status { };
    if (::fstat(fd, &status) != 0)
        return std::nullopt;
    return Identity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

// One folder on the way down: what is left to do in it.
struct Frame {
    std::string name; // in its parent
    Identity identity;
    std::vector<std::string> subfolders; // still to empty and remove
    bool keeps = false; // something in it stays: it cannot be removed
};

class Removal {
public:
    Removal(const ResolvedItem& item, const std::function<bool()>& cancelled,
            const std::function<void(std::int64_t)>& progress)
        : item_(item)
        , base_(item.path())
        , cancelled_(cancelled)
        , progress_(progress)
        , device_(item.device())
        , mountId_(item.mountId())
    {
        while (base_.size() > 1 && base_.back() == '/')
            base_.pop_back();
    }

    TreeRemover::Result run()
    {
        if (item_.isRoot()) {
            fail(base_, "the scanned folder itself is not removed");
            return std::move(result_);
        }
        // Just before the change: still the item that was chosen, with no mount on it.
        if (const auto changed = item_.recheck()) {
            fail(base_, *changed);
            return std::move(result_);
        }
        DirectoryHandle parent(::fcntl(item_.parentFd(), F_DUPFD_CLOEXEC, 0));
        if (!parent.isValid()) {
            fail(base_, std::strerror(errno));
            return std::move(result_);
        }
        const FileStatus& status = item_.status();
        if (!status.isDirectory()) {
            unlink(parent.fd(), item_.name(), base_, 0);
            return std::move(result_);
        }
        removeFolder(std::move(parent), item_.name(), Identity{status.device, status.inode});
        return std::move(result_);
    }

private:
    std::string pathOf(const std::string& name) const
    {
        std::string path = base_;
        for (std::size_t index = 1; index < frames_.size(); ++index)
            path += "/" + frames_[index].name;
        return name.empty() ? path : path + "/" + name;
    }

    void fail(std::string path, std::string reason)
    {
        result_.failures.push_back({std::move(path), std::move(reason)});
    }

    bool stop()
    {
        if (!result_.cancelled && cancelled_ && cancelled_())
            result_.cancelled = true;
        return result_.cancelled;
    }

    bool unlink(int directoryFd, const std::string& name, const std::string& path, int flags)
    {
        if (::unlinkat(directoryFd, name.c_str(), flags) != 0) {
            // A folder a cancel left half full is no failure.
            if (!(result_.cancelled && errno == ENOTEMPTY))
                fail(path, std::strerror(errno));
            return false;
        }
        ++result_.removed;
        if (progress_)
            progress_(result_.removed);
        return true;
    }

    // Opens a folder below `parentFd` and lists it into a new frame; false when it cannot be
    // entered (reported, and the parent keeps it).
    bool enter(int parentFd, const std::string& name, const Identity& expected, DirectoryHandle& current)
    {
        int error = 0;
        DirectoryHandle opened = DirectoryHandle::openAt(parentFd, name.c_str(), &error);
        if (!opened.isValid() || identityOf(opened.fd()) != expected) {
            fail(pathOf(name), opened.isValid() ? "it changed while it was being removed" : std::strerror(error));
            return false;
        }
        Frame frame{name, expected, {}, false};
        DirectoryListing listing;
        if (const int failed = listing.read(opened.fd()); failed != 0) {
            frames_.push_back(std::move(frame));
            fail(pathOf({}), std::strerror(failed));
            frames_.back().keeps = true;
            current = std::move(opened);
            return true;
        }
        frames_.push_back(std::move(frame));
        for (const auto& entry : listing.entries()) {
            if (stop())
                break;
            const std::string child(entry.name);
            const auto status = FileSystemMetadata::statusAt(opened.fd(), child.c_str(), &error);
            if (!status) {
                if (error != ENOENT) { // gone already is what was wanted
                    fail(pathOf(child), std::strerror(error));
                    frames_.back().keeps = true;
                }
                continue;
            }
            if (status->isDirectory()) {
                if (status->device != device_ || (mountId_ && status->mountId && *status->mountId != *mountId_)) {
                    fail(pathOf(child), "another file system is mounted there; it was left alone");
                    frames_.back().keeps = true;
                } else {
                    frames_.back().subfolders.push_back(child);
                }
                continue;
            }
            if (!unlink(opened.fd(), child, pathOf(child), 0))
                frames_.back().keeps = true;
        }
        current = std::move(opened);
        return true;
    }

    void removeFolder(DirectoryHandle top, const std::string& name, const Identity& identity)
    {
        DirectoryHandle current;
        if (!enter(top.fd(), name, identity, current))
            return;
        // One folder open at a time, whatever the depth: the way up is "..", checked against
        // the identity each folder had on the way down.
        while (!frames_.empty()) {
            Frame& frame = frames_.back();
            if (!frame.subfolders.empty() && !stop()) {
                const std::string child = std::move(frame.subfolders.back());
                frame.subfolders.pop_back();
                int error = 0;
                const auto status = FileSystemMetadata::statusAt(current.fd(), child.c_str(), &error);
                if (!status || !status->isDirectory()) {
                    if (status || error != ENOENT) {
                        fail(pathOf(child), status ? "it changed while it was being removed" : std::strerror(error));
                        frame.keeps = true;
                    }
                    continue;
                }
                DirectoryHandle below;
                if (enter(current.fd(), child, Identity{status->device, status->inode}, below))
                    current = std::move(below);
                else
                    frame.keeps = true;
                continue;
            }
            // This folder is done: remove it from its parent, unless something in it stays.
            const bool keeps = frame.keeps || !frame.subfolders.empty();
            const std::string done = frame.name;
            const std::string donePath = pathOf({});
            frames_.pop_back();
            DirectoryHandle parent;
            if (frames_.empty()) {
                parent = std::move(top);
            } else {
                int error = 0;
                parent = DirectoryHandle::openAt(current.fd(), "..", &error);
                if (!parent.isValid() || identityOf(parent.fd()) != frames_.back().identity) {
                    // Moved away meanwhile: nothing above it is touched.
                    fail(donePath, "its folder was moved while it was being removed");
                    frames_.clear();
                    return;
                }
            }
            if (keeps || !unlink(parent.fd(), done, donePath, AT_REMOVEDIR)) {
                if (!frames_.empty())
                    frames_.back().keeps = true;
            }
            current = std::move(parent);
        }
    }

    const ResolvedItem& item_;
    std::string base_;
    const std::function<bool()>& cancelled_;
    const std::function<void(std::int64_t)>& progress_;
    std::uint64_t device_ = 0;
    std::optional<std::uint64_t> mountId_;
    std::vector<Frame> frames_;
    TreeRemover::Result result_;
};

} // namespace

TreeRemover::Result TreeRemover::remove(const ResolvedItem& item, const std::function<bool()>& cancelled,
                                        const std::function<void(std::int64_t)>& progress)
{
    return Removal(item, cancelled, progress).run();
}

} // namespace vistrel
