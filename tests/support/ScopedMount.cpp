#include "ScopedMount.h"

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>
#include <utility>

namespace vistrel::testing {

ScopedMount ScopedMount::tmpfs(const std::string& at)
{
    ScopedMount mount;
    if (::geteuid() != 0)
        mount.why_ = "mounting needs root";
    else if (::mount("vistrel-test", at.c_str(), "tmpfs", 0, "size=64m") != 0)
        mount.why_ = std::string("tmpfs cannot be mounted here: ") + std::strerror(errno);
    else
        mount.at_ = at;
    return mount;
}

ScopedMount ScopedMount::bind(const std::string& source, const std::string& at)
{
    ScopedMount mount;
    if (::geteuid() != 0)
        mount.why_ = "mounting needs root";
    else if (::mount(source.c_str(), at.c_str(), nullptr, MS_BIND, nullptr) != 0)
        mount.why_ = std::string("a bind mount cannot be made here: ") + std::strerror(errno);
    else
        mount.at_ = at;
    return mount;
}

ScopedMount::ScopedMount(ScopedMount&& other) noexcept
    : at_(std::exchange(other.at_, {}))
    , why_(std::move(other.why_))
{
}

ScopedMount::~ScopedMount()
{
    if (!at_.empty())
        ::umount2(at_.c_str(), MNT_DETACH);
}

} // namespace vistrel::testing
