#include "CacheFolders.h"

#include "filesystem/DirectoryHandle.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace vistrel {

namespace {

std::string_view lastName(std::string_view folder)
{
    if (!folder.empty() && folder.back() == '/')
        folder.remove_suffix(1);
    return folder.substr(folder.rfind('/') + 1);
}

// Whether `name` in `folder` is a regular file that begins with `prefix` (read through the
// folder's descriptor, never following a link).
bool fileBeginsWith(const std::string& folder, const char* name, std::string_view prefix)
{
    int error = 0;
    const DirectoryHandle directory = DirectoryHandle::openPath(folder, &error);
    if (!directory.isValid())
        return false;
    const int fd = ::openat(directory.fd(), name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::array<char, 64> start{};
    const ssize_t read = ::read(fd, start.data(), prefix.size());
    ::close(fd);
    return read == static_cast<ssize_t>(prefix.size()) && std::string_view(start.data(), prefix.size()) == prefix;
}

} // namespace

std::optional<std::string> CacheFolders::byPath(const std::string& folder, const std::string& userCacheFolder)
{
    if (!userCacheFolder.empty() && folder == userCacheFolder)
        return "your cache folder: programs make what it holds again when they need it";
    if (folder == "/var/cache/apt/archives/")
        return "downloaded packages, kept after they were installed (apt-get clean removes them)";
    const std::string_view name = lastName(folder);
    if (name == "node_modules")
        return "packages a JavaScript project installs again (npm install)";
    if (name == "__pycache__")
        return "compiled Python, made again when the program runs";
    if (name == ".gradle")
        return "Gradle's downloads and build cache, made again by the next build";
    return std::nullopt;
}

std::optional<std::string> CacheFolders::reason(const std::string& folder, const std::string& userCacheFolder)
{
    if (auto known = byPath(folder, userCacheFolder))
        return known;
    if (fileBeginsWith(folder, "CACHEDIR.TAG", tagSignature))
        return "tagged as a cache (CACHEDIR.TAG): what it holds can be made again";
    if (lastName(folder) == "target") {
        const std::string parent = folder.substr(0, folder.size() - std::strlen("target/"));
        if (fileBeginsWith(parent, "Cargo.toml", ""))
            return "a Rust project's build output, made again by cargo build";
    }
    return std::nullopt;
}

std::string CacheFolders::userCacheFolder()
{
    std::string folder;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && cache[0] == '/')
        folder = cache;
    else if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        folder = std::string(home) + "/.cache";
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace vistrel
