#include "HomeFolder.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace vistrel {

std::string HomeFolder::path()
{
    std::string home;
    if (const char* variable = std::getenv("HOME"); variable && variable[0] == '/')
        home = variable;
    else if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && entry->pw_dir[0] == '/')
        home = entry->pw_dir;
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return home;
}

} // namespace vistrel
