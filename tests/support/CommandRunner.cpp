#include "CommandRunner.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vistrel::testing {

CommandResult runCommand(const std::vector<std::string>& arguments, const std::function<void(pid_t)>& whileRunning,
                         const std::vector<std::string>& environmentChanges)
{
    int output[2], error[2];
    if (::pipe2(output, O_CLOEXEC) != 0 || ::pipe2(error, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        ::dup2(output[1], STDOUT_FILENO);
        ::dup2(error[1], STDERR_FILENO);
        for (const std::string& change : environmentChanges) {
            if (const auto equals = change.find('='); equals != std::string::npos)
                ::setenv(change.substr(0, equals).c_str(), change.substr(equals + 1).c_str(), 1);
            else
                ::unsetenv(change.c_str());
        }
        std::vector<char*> argv;
        for (const auto& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(output[1]);
    ::close(error[1]);
    // The pipes are drained while the caller acts on the running program.
    std::thread actor;
    if (whileRunning)
        actor = std::thread([&whileRunning, child] { whileRunning(child); });
    CommandResult result;
    pollfd fds[2] = {{output[0], POLLIN, 0}, {error[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.standardOutput, &result.standardError};
    int open = 2;
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[65536];
            const ssize_t count = ::read(fds[i].fd, buffer, sizeof buffer);
            if (count > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(count));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    if (actor.joinable())
        actor.join();
    int status = 0;
    ::waitpid(child, &status, 0);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

} // namespace vistrel::testing

namespace vistrel::testing {

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        result.push_back(line);
    return result;
}

} // namespace vistrel::testing
