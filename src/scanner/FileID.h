#pragma once

#include <cstdint>
#include <functional>

namespace vistrel {

// An item's identity: the same for every hard link of one file.
struct FileID {
    std::int64_t systemFileNumber = 0; // inode
    std::int64_t systemNumber = 0; // device

    bool operator==(const FileID&) const = default;
};

} // namespace vistrel

template <> struct std::hash<vistrel::FileID> {
    std::size_t operator()(const vistrel::FileID& id) const noexcept
    {
        const auto a = static_cast<std::uint64_t>(id.systemFileNumber);
        const auto b = static_cast<std::uint64_t>(id.systemNumber);
        return static_cast<std::size_t>((a * 0x9E3779B97F4A7C15ull)
                                        ^ (b + 0x632BE59BD9B4E019ull + (a << 6) + (a >> 2)));
    }
};
