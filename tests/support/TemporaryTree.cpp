#include "TemporaryTree.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vistrel::testing {

namespace {

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// Removes everything below dirFd by fd, so depth and path length do not matter.
void removeContents(int dirFd)
{
    const int listFd = dup(dirFd);
    DIR* dir = fdopendir(listFd);
    if (!dir) {
        close(listFd);
        return;
    }
    std::vector<std::pair<std::string, bool>> entries;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st { };
        const bool isDirectory = fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        entries.emplace_back(name, isDirectory);
    }
    closedir(dir);
    for (const auto& [name, isDirectory] : entries) {
        if (isDirectory) {
            fchmodat(dirFd, name.c_str(), 0700, 0);
            const int childFd = openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (childFd >= 0) {
                removeContents(childFd);
                close(childFd);
            }
            unlinkat(dirFd, name.c_str(), AT_REMOVEDIR);
        } else {
            unlinkat(dirFd, name.c_str(), 0);
        }
    }
}

} // namespace

TemporaryTree::TemporaryTree()
    : previousUmask_(::umask(022))
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vistrel-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
        fail("mkdtemp");
    root_ = std::string(buffer.data()) + "/";
}

TemporaryTree::~TemporaryTree()
{
    const int fd = open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        removeContents(fd);
        close(fd);
    }
    rmdir(root_.c_str());
    ::umask(static_cast<mode_t>(previousUmask_));
}

void TemporaryTree::makeDirectory(const std::string& relative)
{
    std::string current = root_;
    std::size_t start = 0;
    while (start < relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string::npos)
            end = relative.size();
        current += relative.substr(start, end - start) + "/";
        if (mkdir(current.c_str(), 0755) != 0 && errno != EEXIST)
            fail("mkdir " + current);
        start = end + 1;
    }
}

void TemporaryTree::writeFile(const std::string& relative, std::int64_t size)
{
    writeFile(relative, std::string(static_cast<std::size_t>(size), 'x'));
}

void TemporaryTree::writeFile(const std::string& relative, const std::string& contents)
{
    const auto slash = relative.rfind('/');
    if (slash != std::string::npos)
        makeDirectory(relative.substr(0, slash));
    const std::string full = path(relative);
    const int fd = open(full.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail("open " + full);
    std::size_t written = 0;
    while (written < contents.size()) {
        const ssize_t n = write(fd, contents.data() + written, contents.size() - written);
        if (n < 0) {
            close(fd);
            fail("write " + full);
        }
        written += static_cast<std::size_t>(n);
    }
    close(fd);
}

void TemporaryTree::makeSymbolicLink(const std::string& target, const std::string& relative)
{
    if (symlink(target.c_str(), path(relative).c_str()) != 0)
        fail("symlink " + relative);
}

void TemporaryTree::makeHardLink(const std::string& existingRelative, const std::string& newRelative)
{
    if (link(path(existingRelative).c_str(), path(newRelative).c_str()) != 0)
        fail("link " + newRelative);
}

std::string TemporaryTree::makeDeepChain(const std::string& first, const std::string& component,
                                         std::size_t minimumLength)
{
    makeDirectory(first);
    int fd = open(path(first).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fail("open " + first);
    std::string relative = first + "/";
    while (root_.size() + relative.size() <= minimumLength) {
        if (mkdirat(fd, component.c_str(), 0755) != 0 && errno != EEXIST)
            fail("mkdirat");
        const int child = openat(fd, component.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        if (child < 0)
            fail("openat");
        fd = child;
        relative += component + "/";
    }
    close(fd);
    return relative;
}

} // namespace vistrel::testing
