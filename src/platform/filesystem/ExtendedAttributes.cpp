#include "ExtendedAttributes.h"
#include "services/DisplayName.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace vistrel {

namespace {

// Calls `call` with a growing buffer until the value fits; returns the bytes or the errno.
template <typename Call> std::optional<QByteArray> readGrowing(Call call, int* errorNumber)
{
    std::vector<char> buffer(1024);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t length = call(buffer.data(), buffer.size());
        if (length >= 0)
            return QByteArray(buffer.data(), length);
        if (errno != ERANGE) {
            *errorNumber = errno;
            return std::nullopt;
        }
        const ssize_t needed = call(nullptr, 0);
        buffer.resize(needed > 0 ? static_cast<std::size_t>(needed) + 64 : buffer.size() * 4);
    }
    *errorNumber = ERANGE;
    return std::nullopt;
}

} // namespace

std::optional<QMap<QString, QByteArray>> ExtendedAttributes::read(const std::string& path, int directoryFd,
                                                                  const std::string& name, bool isSymbolicLink)
{
    // Paths within PATH_MAX use the l* calls; longer ones go through an O_PATH fd and its
    // /proc link, which follows the item, so a deep symbolic link reports nothing.
    std::string target = path;
    bool followLink = false;
    int pathFd = -1;
    if (path.size() >= PATH_MAX) {
        if (isSymbolicLink)
            return std::nullopt;
        pathFd = ::openat(directoryFd, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (pathFd < 0)
            return std::nullopt;
        target = "/proc/self/fd/" + std::to_string(pathFd);
        followLink = true;
    }
    const char* file = target.c_str();
    int errorNumber = 0;
    const auto names = readGrowing(
        [&](char* buffer, std::size_t size) {
            return followLink ? ::listxattr(file, buffer, size) : ::llistxattr(file, buffer, size);
        },
        &errorNumber);
    std::optional<QMap<QString, QByteArray>> result;
    if (names) {
        result.emplace();
        for (const QByteArray& attributeName : names->split('\0')) {
            if (attributeName.isEmpty())
                continue;
            const auto value = readGrowing(
                [&](char* buffer, std::size_t size) {
                    return followLink ? ::getxattr(file, attributeName.constData(), buffer, size)
                                      : ::lgetxattr(file, attributeName.constData(), buffer, size);
                },
                &errorNumber);
            if (value) // one that vanished in between is left out
                result->insert(DisplayName::of(std::string_view(attributeName.constData(),
                                                                static_cast<std::size_t>(attributeName.size()))),
                               *value);
        }
    }
    if (pathFd >= 0)
        ::close(pathFd);
    return result;
}

int ExtendedAttributes::write(const std::string& path, const std::string& attributeName, const QByteArray& value)
{
    if (::lsetxattr(path.c_str(), attributeName.c_str(), value.constData(), static_cast<std::size_t>(value.size()), 0)
        != 0)
        return errno;
    return 0;
}

} // namespace vistrel
