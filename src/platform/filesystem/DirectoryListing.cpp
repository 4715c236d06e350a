#include "DirectoryListing.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vistrel {

namespace {

// The kernel's record layout for getdents64 (glibc 2.36 has no wrapper).
struct KernelDirent64 {
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[];
};

constexpr std::size_t readChunk = 64 * 1024;

unsigned char typeFromMode(mode_t mode)
{
    return static_cast<unsigned char>(IFTODT(mode));
}

} // namespace

int DirectoryListing::read(int directoryFd)
{
    entries_.clear();
    if (::lseek(directoryFd, 0, SEEK_SET) < 0 && errno != ESPIPE)
        return errno;
    std::size_t used = 0;
    for (;;) {
        if (buffer_.size() < used + readChunk)
            buffer_.resize(used + readChunk);
        const long count = ::syscall(SYS_getdents64, directoryFd, buffer_.data() + used, buffer_.size() - used);
        if (count < 0)
            return errno;
        if (count == 0)
            break;
        used += static_cast<std::size_t>(count);
    }
    // Views are taken only now: the buffer may have moved while it grew.
    for (std::size_t offset = 0; offset < used;) {
        auto* record = reinterpret_cast<KernelDirent64*>(buffer_.data() + offset);
        offset += record->d_reclen;
        const char* name = record->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        unsigned char type = record->d_type;
        if (type == DT_UNKNOWN) {
            struct stat status { };
            if (::fstatat(directoryFd, name, &status, AT_SYMLINK_NOFOLLOW) == 0)
                type = typeFromMode(status.st_mode);
        }
        entries_.push_back(Entry{std::string_view(name, std::strlen(name)), type});
    }
    return 0;
}

} // namespace vistrel
