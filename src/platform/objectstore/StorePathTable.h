#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vistrel {

// Numbers the '/'-ended paths it is given, each kept as its parent's number and its last
// component: a path costs a few bytes beyond its last name, where a whole path per entry
// cost a scan of 500,000 folders 60 MB. "" is number 0.
class StorePathTable {
public:
    StorePathTable();
    std::uint32_t number(std::string_view path);
    std::size_t size() const { return parent_.size(); }

private:
    std::uint32_t child(std::uint32_t parent, std::string_view component);
    void grow();

    struct Slot {
        std::uint64_t hash = 0;
        std::uint32_t node = 0; // 0: empty (the root is never a child)
    };
    std::vector<Slot> slots_;
    std::vector<std::uint32_t> parent_;
    std::vector<std::uint64_t> nameStart_;
    std::vector<std::uint32_t> nameLength_;
    std::string names_;
    // The last path numbered and the number of each of its beginnings: the next path
    // usually shares most of them.
    std::string lastPath_;
    std::vector<std::pair<std::size_t, std::uint32_t>> lastNodes_; // (end of component, node)
};

} // namespace vistrel
