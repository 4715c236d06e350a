#include "ExclusionPatterns.h"

#include <fnmatch.h>

namespace vistrel {

namespace {

std::string withoutTrailingSlash(std::string_view text)
{
    while (text.size() > 1 && text.back() == '/')
        text.remove_suffix(1);
    return std::string(text);
}

// Whether every "[" opens a bracket expression that closes (fnmatch would read it literally
// and match nothing the person meant).
bool bracketsClose(std::string_view pattern)
{
    for (std::size_t index = 0; index < pattern.size(); ++index) {
        if (pattern[index] == '\\') {
            ++index;
            continue;
        }
        if (pattern[index] != '[')
            continue;
        std::size_t end = index + 1;
        if (end < pattern.size() && (pattern[end] == '!' || pattern[end] == '^'))
            ++end;
        if (end < pattern.size() && pattern[end] == ']')
            ++end; // a "]" first is a member
        while (end < pattern.size() && pattern[end] != ']')
            ++end;
        if (end >= pattern.size())
            return false;
        index = end;
    }
    return true;
}

} // namespace

std::string ExclusionPatterns::problemWith(std::string_view pattern)
{
    if (withoutTrailingSlash(pattern).empty() || pattern == "/")
        return "an empty pattern would leave out everything";
    if (pattern.find_first_of(std::string_view("\n\0", 2)) != std::string_view::npos)
        return "a pattern cannot hold a line break";
    if (!bracketsClose(pattern))
        return "a \"[\" is not closed by \"]\"";
    return {};
}

ExclusionPatterns::ExclusionPatterns(std::vector<std::string> patterns)
{
    for (const std::string& pattern : patterns) {
        if (const std::string problem = problemWith(pattern); !problem.empty())
            throw Error("invalid exclusion pattern \"" + pattern + "\": " + problem);
        std::string kept = withoutTrailingSlash(pattern);
        if (kept.find_first_of("*?[\\") != std::string::npos)
            globs_.push_back(kept);
        else if (kept.find('/') == std::string::npos)
            literalNames_.insert(kept);
        else if (kept.front() == '/')
            literalPaths_.insert(kept);
        else
            literalTails_.insert(kept);
        patterns_.push_back(std::move(kept));
    }
}

bool ExclusionPatterns::excludes(std::string_view directoryPath) const
{
    if (patterns_.empty())
        return false;
    const std::string path = withoutTrailingSlash(directoryPath);
    const std::string name = path.substr(path.rfind('/') + 1);
    if (literalNames_.count(name) || literalPaths_.count(path))
        return true;
    if (!literalTails_.empty())
        for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
            if (literalTails_.count(path.substr(slash + 1)))
                return true;
    for (const std::string& pattern : globs_) {
        int result = FNM_NOMATCH;
        if (pattern.find('/') == std::string::npos)
            result = ::fnmatch(pattern.c_str(), name.c_str(), 0);
        else if (pattern.front() == '/')
            result = ::fnmatch(pattern.c_str(), path.c_str(), FNM_PATHNAME);
        else
            result = ::fnmatch(("*/" + pattern).c_str(), path.c_str(), 0);
        if (result == 0)
            return true;
    }
    return false;
}

} // namespace vistrel
