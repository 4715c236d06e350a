#include "Unprivileged.h"

#include <sys/wait.h>
#include <unistd.h>

namespace vistrel::testing {

std::optional<bool> runUnprivileged(const std::function<bool()>& check)
{
    constexpr int cannotDrop = 3;
    const pid_t child = ::fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(cannotDrop);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == cannotDrop)
        return std::nullopt;
    return WEXITSTATUS(status) == 0;
}

} // namespace vistrel::testing
