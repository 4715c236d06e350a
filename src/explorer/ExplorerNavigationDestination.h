#pragma once

#include "filesystem/FileUrl.h"

#include <functional>
#include <optional>

namespace vistrel {

// What opens one explorer screen: its root directory and the item to select first.
struct ExplorerNavigationDestination {
    FileUrl root;
    std::optional<FileUrl> selection;

    static ExplorerNavigationDestination explorer(FileUrl root, std::optional<FileUrl> selection = std::nullopt)
    {
        return ExplorerNavigationDestination{std::move(root), std::move(selection)};
    }

    bool operator==(const ExplorerNavigationDestination&) const = default;
};

} // namespace vistrel

template <> struct std::hash<vistrel::ExplorerNavigationDestination> {
    std::size_t operator()(const vistrel::ExplorerNavigationDestination& destination) const noexcept
    {
        const std::size_t root = std::hash<std::string>()(destination.root.path());
        return destination.selection ? root * 31 + std::hash<std::string>()(destination.selection->path()) : root;
    }
};
