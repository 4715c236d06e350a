#pragma once

#include "filesystem/FileUrl.h"

#include <functional>
#include <string>

namespace vistrel {

// A row's URL: a scheme and a path of raw bytes. Snapshot items have the scheme "file";
// the aggregate "Other files" row has "file-others" and its directory's path. A directory's
// path ends with '/'.
struct ItemUrl {
    static constexpr const char* fileScheme = "file";

    std::string scheme = fileScheme;
    std::string path;

    static ItemUrl file(const FileUrl& url) { return ItemUrl{fileScheme, url.path()}; }

    bool isFile() const { return scheme == fileScheme; }
    bool hasDirectoryPath() const { return !path.empty() && path.back() == '/'; }
    FileUrl fileUrl() const { return FileUrl(path); }
    // "file:///usr/" (the path's bytes as they are).
    std::string absoluteString() const { return scheme + "://" + path; }

    bool operator==(const ItemUrl&) const = default;
};

} // namespace vistrel

template <> struct std::hash<vistrel::ItemUrl> {
    std::size_t operator()(const vistrel::ItemUrl& url) const noexcept
    {
        return std::hash<std::string>()(url.path) * 31 + std::hash<std::string>()(url.scheme);
    }
};
