#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace vistrel {

// One attribute value: absent, an integer, or text kept as raw bytes.
using StoreValue = std::variant<std::monostate, std::int64_t, std::string>;

inline bool isAbsent(const StoreValue& value)
{
    return std::holds_alternative<std::monostate>(value);
}

// Makes `into` the text `bytes`, in the room it already has when it holds text.
inline std::string& assignText(StoreValue& into, std::string_view bytes)
{
    if (auto* text = std::get_if<std::string>(&into))
        return text->assign(bytes);
    return into.emplace<std::string>(bytes);
}

} // namespace vistrel
