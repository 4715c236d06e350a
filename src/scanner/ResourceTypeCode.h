#pragma once

#include "filesystem/FileResourceType.h"

#include <cstdint>
#include <optional>

namespace vistrel {

// One byte per resource type, as stored; sorting by it descending puts directories first.
namespace ResourceTypeCode {
inline constexpr std::uint8_t directory = 255;
inline constexpr std::uint8_t regular = 50;

std::optional<std::uint8_t> code(FileResourceType type);
std::optional<FileResourceType> type(std::uint8_t code); // empty for unassigned codes
} // namespace ResourceTypeCode

} // namespace vistrel
