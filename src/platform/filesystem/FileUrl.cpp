#include "FileUrl.h"

#include <vector>

namespace vistrel {

FileUrl::FileUrl(std::string path)
    : path_(std::move(path))
{
}

FileUrl FileUrl::directory(std::string path)
{
    if (path.empty() || path.back() != '/')
        path.push_back('/');
    return FileUrl(std::move(path));
}

bool FileUrl::isDirectory() const
{
    return !path_.empty() && path_.back() == '/';
}

std::int64_t FileUrl::pathComponentCount(std::string_view path)
{
    if (path.empty())
        return 0;
    // "/" is a component of its own; then one per non-empty name between separators.
    std::int64_t count = path.front() == '/' ? 1 : 0;
    bool inName = false;
    for (const char c : path) {
        if (c == '/') {
            inName = false;
        } else if (!inName) {
            inName = true;
            ++count;
        }
    }
    return count;
}

std::string FileUrl::pathWithoutTrailingSeparator() const
{
    std::string result = path_;
    while (result.size() > 1 && result.back() == '/')
        result.pop_back();
    return result;
}

std::string_view FileUrl::lastPathComponent(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    if (path == "/")
        return path;
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string FileUrl::lexicallyNormal(std::string_view path, std::string_view workingDirectory)
{
    std::string joined;
    if (path.empty() || path.front() != '/')
        joined.append(workingDirectory).append("/");
    joined.append(path);
    std::vector<std::string_view> components;
    const std::string_view text(joined);
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('/', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view component = text.substr(start, end - start);
        if (component == "..") {
            if (!components.empty())
                components.pop_back();
        } else if (!component.empty() && component != ".") {
            components.push_back(component);
        }
        start = end + 1;
    }
    std::string normal = "/";
    for (const std::string_view component : components)
        normal.append(component).append("/");
    const bool keepSeparator = joined.back() == '/' || path.empty() || path == "." || path == ".."
        || path.ends_with("/.") || path.ends_with("/..");
    if (normal.size() > 1 && !keepSeparator)
        normal.pop_back();
    return normal;
}

FileUrl FileUrl::parentDirectory() const
{
    const std::string trimmed = pathWithoutTrailingSeparator();
    const auto slash = trimmed.rfind('/');
    if (trimmed == "/" || slash == std::string::npos)
        return FileUrl("/");
    return FileUrl(trimmed.substr(0, slash + 1));
}

} // namespace vistrel
