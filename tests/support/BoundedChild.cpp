#include "BoundedChild.h"

#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vistrel::testing {

std::string runBoundedChild(const std::function<bool()>& body, std::size_t memoryBytes, unsigned seconds)
{
    const pid_t child = ::fork();
    if (child < 0)
        return "fork failed";
    if (child == 0) {
        std::size_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t limit = pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + memoryBytes;
        const rlimit bound{limit, limit};
        ::setrlimit(RLIMIT_AS, &bound);
        ::alarm(seconds);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) { }
    if (WIFSIGNALED(status))
        return "killed by signal " + std::to_string(WTERMSIG(status));
    if (WEXITSTATUS(status) != 0)
        return "the body failed (exit " + std::to_string(WEXITSTATUS(status)) + ")";
    return {};
}

} // namespace vistrel::testing
