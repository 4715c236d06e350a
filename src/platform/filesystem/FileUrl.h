#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vistrel {

// A file URL as the system sees it: an absolute path kept as raw bytes (never
// re-encoded, so names that are not UTF-8 survive). A directory URL's path
// ends with '/'; "/" is the root.
class FileUrl {
public:
    FileUrl() = default;
    explicit FileUrl(std::string path);
    static FileUrl directory(std::string path); // appends '/' when missing

    const std::string& path() const { return path_; }
    bool isDirectory() const; // path ends with '/'
    std::int64_t pathComponentCount() const { return pathComponentCount(path_); }
    // "/" is one component: "/a/b.txt" gives 3, "/a/b/" also 3.
    static std::int64_t pathComponentCount(std::string_view path);
    std::string lastPathComponent() const { return std::string(lastPathComponent(path_)); }
    // "b.txt"; "a" for "/x/a/"; "/" for "/". A view into `path`.
    static std::string_view lastPathComponent(std::string_view path);
    FileUrl parentDirectory() const; // "/x/a/" for "/x/a/b"; "/" for "/" itself
    std::string pathWithoutTrailingSeparator() const; // "/" stays "/"

    // `path` made absolute against `workingDirectory` and rid of ".", ".." (never above "/")
    // and repeated separators, without consulting the file system; a trailing separator stays.
    static std::string lexicallyNormal(std::string_view path, std::string_view workingDirectory);

    bool operator==(const FileUrl&) const = default;

private:
    std::string path_;
};

} // namespace vistrel
