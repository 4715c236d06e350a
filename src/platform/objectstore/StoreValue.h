#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace vistrel {

// One attribute value: absent, an integer, or text kept as raw bytes.
using StoreValue = std::variant<std::monostate, std::int64_t, std::string>;

inline bool isAbsent(const StoreValue& value) { return std::holds_alternative<std::monostate>(value); }

} // namespace vistrel
