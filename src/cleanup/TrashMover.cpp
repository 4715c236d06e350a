#include "TrashMover.h"

#include "filesystem/DirectoryHandle.h"
#include "filesystem/FileSystemMetadata.h"
#include "filesystem/MountTable.h"
#include "filesystem/ResolvedItem.h"
#include "services/HomeFolder.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

std::string errorText(int error)
{
    return std::strerror(error);
}

// The device of `path`, or of its nearest folder that exists: where a trash made there would be.
std::optional<std::uint64_t> deviceOfNearest(std::string path)
{
    for (;;) {
        struct stat status { };
        if (::lstat(path.c_str(), &status) == 0)
            return static_cast<std::uint64_t>(status.st_dev);
        const auto slash = path.rfind('/');
        if (path == "/" || slash == std::string::npos)
            return std::nullopt;
        path = slash == 0 ? std::string("/") : path.substr(0, slash);
    }
}

// Makes `path` and its missing parents with mode 0700: the user's data folder is private.
bool makeFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

// A folder of the trash below `parentFd`, made 0700 when missing; never a link, and ours.
DirectoryHandle trashFolderAt(int parentFd, const char* name, int* error)
{
    if (::mkdirat(parentFd, name, 0700) != 0 && errno != EEXIST) {
        *error = errno;
        return {};
    }
    DirectoryHandle folder = DirectoryHandle::openAt(parentFd, name, error);
    if (!folder.isValid())
        return {};
    struct stat status { };
    if (::fstat(folder.fd(), &status) != 0 || status.st_uid != ::geteuid()) {
        *error = EACCES;
        return {};
    }
    return folder;
}

struct Trash {
    std::string folder; // its path
    std::string pathBase; // what the recorded paths are relative to ("" for absolute paths)
    DirectoryHandle files;
    DirectoryHandle info;
};

std::optional<Trash> openTrash(const std::string& folder, DirectoryHandle top, std::string pathBase, int* error)
{
    Trash trash;
    trash.folder = folder;
    trash.pathBase = std::move(pathBase);
    trash.files = trashFolderAt(top.fd(), "files", error);
    trash.info = trashFolderAt(top.fd(), "info", error);
    if (!trash.files.isValid() || !trash.info.isValid())
        return std::nullopt;
    return trash;
}

std::optional<Trash> homeTrashFor(int* error)
{
    const std::string folder = TrashMover::homeTrash();
    if (folder.empty()) {
        *error = ENOENT;
        return std::nullopt;
    }
    const std::string parent = folder.substr(0, folder.rfind('/'));
    if (!makeFolders(parent)) {
        *error = errno;
        return std::nullopt;
    }
    DirectoryHandle parentFolder = DirectoryHandle::openPath(parent, error);
    if (!parentFolder.isValid())
        return std::nullopt;
    DirectoryHandle top = trashFolderAt(parentFolder.fd(), "Trash", error);
    if (!top.isValid())
        return std::nullopt;
    return openTrash(folder, std::move(top), {}, error);
}

// The trash at the top of the item's mount: .Trash/$uid when the administrator made .Trash
// (a sticky folder, not a link), else .Trash-$uid.
std::optional<Trash> volumeTrashFor(const ResolvedItem& item, int* error)
{
    std::optional<std::string> topdir;
    if (item.mountId())
        for (const auto& mount : MountTable::read())
            if (mount.mountId == *item.mountId())
                topdir = mount.mountPoint;
    if (!topdir) {
        *error = ENOENT;
        return std::nullopt;
    }
    DirectoryHandle top = DirectoryHandle::openPath(*topdir, error);
    if (!top.isValid())
        return std::nullopt;
    const std::string base = *topdir == "/" ? std::string() : *topdir;
    const std::string uid = std::to_string(::geteuid());
    int ignored = 0;
    if (const auto shared = FileSystemMetadata::statusAt(top.fd(), ".Trash", &ignored);
        shared && shared->isDirectory() && (shared->mode & S_ISVTX)) {
        DirectoryHandle trashes = DirectoryHandle::openAt(top.fd(), ".Trash", &ignored);
        if (trashes.isValid())
            if (DirectoryHandle own = trashFolderAt(trashes.fd(), uid.c_str(), &ignored); own.isValid())
                if (auto trash = openTrash(base + "/.Trash/" + uid, std::move(own), *topdir, &ignored))
                    return trash;
    }
    DirectoryHandle own = trashFolderAt(top.fd(), (".Trash-" + uid).c_str(), error);
    if (!own.isValid())
        return std::nullopt;
    return openTrash(base + "/.Trash-" + uid, std::move(own), *topdir, error);
}

std::string deletionDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

bool writeAll(int fd, const std::string& text)
{
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

std::string withoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// The record and the move: the name is taken by creating its record exclusively, and the
// rename replaces nothing in files/ either. The item is checked again just before it moves.
TrashMover::Outcome moveInto(Trash& trash, const ResolvedItem& item, int* renameError)
{
    TrashMover::Outcome outcome;
    const std::string original = withoutTrailingSlash(item.path());
    std::string recorded = original;
    if (!trash.pathBase.empty() && trash.pathBase != "/"
        && original.compare(0, trash.pathBase.size() + 1, trash.pathBase + "/") == 0)
        recorded = original.substr(trash.pathBase.size() + 1);
    const std::string text = TrashMover::recordText(recorded, deletionDate());
    // Room for ".trashinfo" and a number within one name's limit.
    std::string base = item.name();
    if (base.size() > NAME_MAX - 20)
        base.resize(NAME_MAX - 20);
    for (int attempt = 1; attempt < 10000; ++attempt) {
        const std::string name = attempt == 1 ? base : base + "." + std::to_string(attempt);
        const std::string record = name + ".trashinfo";
        const int fd
            = ::openat(trash.info.fd(), record.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            outcome.failure = "its trash record cannot be written: " + errorText(errno);
            outcome.noUsableTrash = true;
            return outcome;
        }
        const bool written = writeAll(fd, text) && ::fsync(fd) == 0;
        const int writeError = errno;
        ::close(fd);
        if (!written) {
            ::unlinkat(trash.info.fd(), record.c_str(), 0);
            outcome.failure = "its trash record cannot be written: " + errorText(writeError);
            outcome.noUsableTrash = writeError != ENOSPC;
            return outcome;
        }
        if (const auto changed = item.recheck()) {
            ::unlinkat(trash.info.fd(), record.c_str(), 0);
            outcome.failure = *changed;
            return outcome;
        }
        if (::renameat2(item.parentFd(), item.name().c_str(), trash.files.fd(), name.c_str(), RENAME_NOREPLACE) != 0) {
            const int error = errno;
            ::unlinkat(trash.info.fd(), record.c_str(), 0);
            if (error == EEXIST)
                continue; // a file without a record holds the name
            *renameError = error;
            outcome.failure = "it cannot be moved: " + errorText(error);
            return outcome;
        }
        outcome.trashed = TrashMover::Trashed{original, trash.folder, name};
        return outcome;
    }
    outcome.failure = "the trash holds too many items of that name";
    return outcome;
}

} // namespace

std::string TrashMover::homeTrash()
{
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/')
        return withoutTrailingSlash(data) + "/Trash";
    const std::string home = HomeFolder::path();
    return home.empty() ? std::string() : withoutTrailingSlash(home) + "/.local/share/Trash";
}

std::string TrashMover::recordText(const std::string& path, const std::string& date)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string encoded;
    for (const unsigned char byte : path) {
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9')
            || byte == '/' || byte == '-' || byte == '_' || byte == '.' || byte == '~';
        if (plain) {
            encoded += static_cast<char>(byte);
        } else {
            encoded += '%';
            encoded += digits[byte >> 4];
            encoded += digits[byte & 15];
        }
    }
    return "[Trash Info]\nPath=" + encoded + "\nDeletionDate=" + date + "\n";
}

TrashMover::Outcome TrashMover::moveToTrash(const ResolvedItem& item)
{
    Outcome outcome;
    if (item.isRoot()) {
        outcome.failure = "the scanned folder itself is not moved";
        return outcome;
    }
    if (const auto changed = item.recheck()) {
        outcome.failure = *changed;
        return outcome;
    }
    int error = 0;
    int renameError = 0;
    const std::string home = homeTrash();
    if (!home.empty() && deviceOfNearest(home) == item.device()) {
        if (auto trash = homeTrashFor(&error)) {
            outcome = moveInto(*trash, item, &renameError);
            // Another mount of the same file system (a bind mount): its own trash takes it.
            if (outcome.trashed || renameError != EXDEV)
                return outcome;
        }
    }
    if (auto trash = volumeTrashFor(item, &error)) {
        renameError = 0;
        return moveInto(*trash, item, &renameError);
    }
    outcome = {};
    outcome.noUsableTrash = item.recheck() == std::nullopt;
    outcome.failure = outcome.noUsableTrash ? "its volume has no trash that can be used (" + errorText(error) + ")"
                                            : "it cannot be moved";
    return outcome;
}

std::optional<std::string> TrashMover::restore(const Trashed& item, const ResolvedItem& parent)
{
    if (item.trashName.empty() || item.trashName.find('/') != std::string::npos)
        return "it is not in a trash folder";
    int error = 0;
    const DirectoryHandle files = DirectoryHandle::openPath(item.trashFolder + "/files", &error);
    if (!files.isValid())
        return "its trash cannot be opened: " + errorText(error);
    const DirectoryHandle folder = parent.openFolder(&error);
    if (!folder.isValid())
        return "its folder cannot be opened: " + errorText(error);
    const std::string name = item.original.substr(item.original.rfind('/') + 1);
    if (::renameat2(files.fd(), item.trashName.c_str(), folder.fd(), name.c_str(), RENAME_NOREPLACE) != 0)
        return errno == EEXIST ? std::string("something else is there now")
            : errno == ENOENT  ? std::string("it is no longer in the trash")
                               : errorText(errno);
    if (const DirectoryHandle info = DirectoryHandle::openPath(item.trashFolder + "/info", &error); info.isValid())
        ::unlinkat(info.fd(), (item.trashName + ".trashinfo").c_str(), 0);
    return std::nullopt;
}

} // namespace vistrel
