#include "TrashMover.h"

#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

std::string withoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

TrashMover::Outcome TrashMover::moveToTrash(const std::string& path)
{
    Outcome outcome;
    const std::string item = withoutTrailingSlash(path);
    struct stat status {};
    if (::lstat(item.c_str(), &status) != 0) {
        outcome.failure = std::strerror(errno);
        return outcome;
    }
    // Qt takes names as text: a name that is not valid text would reach the trash as another
    // name, or another file. Such items are left for Delete Permanently.
    const QString name = QFile::decodeName(QByteArray::fromStdString(item));
    if (QFile::encodeName(name).toStdString() != item) {
        outcome.failure = "its name is not valid text, which the trash cannot record";
        return outcome;
    }
    QString inTrash;
    if (!QFile::moveToTrash(name, &inTrash)) {
        // Still there and in a folder we may change: the volume has no trash we can use.
        const std::string parent = item.substr(0, item.rfind('/') + 1);
        outcome.noUsableTrash = ::lstat(item.c_str(), &status) == 0 && ::access(parent.c_str(), W_OK) == 0;
        outcome.failure = outcome.noUsableTrash ? "its volume has no trash that can be used" : "it cannot be moved";
        return outcome;
    }
    outcome.trashed = Trashed{item, QFile::encodeName(inTrash).toStdString()};
    return outcome;
}

std::optional<std::string> TrashMover::restore(const Trashed& item)
{
    // <trash>/files/<name> has its record in <trash>/info/<name>.trashinfo.
    const std::size_t slash = item.inTrash.rfind('/');
    const std::string files = item.inTrash.substr(0, slash);
    if (slash == std::string::npos || files.size() < 6 || files.compare(files.size() - 6, 6, "/files") != 0)
        return "it is not in a trash folder";
    if (::renameat2(AT_FDCWD, item.inTrash.c_str(), AT_FDCWD, item.original.c_str(), RENAME_NOREPLACE) != 0)
        return errno == EEXIST ? std::string("something else is there now") : std::string(std::strerror(errno));
    const std::string info
        = files.substr(0, files.size() - 6) + "/info/" + item.inTrash.substr(slash + 1) + ".trashinfo";
    ::unlink(info.c_str());
    return std::nullopt;
}

} // namespace vistrel
