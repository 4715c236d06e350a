#pragma once

namespace vistrel {

// Reverse-domain identifier: syslog ident, preferences scope and the data folder name.
inline constexpr const char* applicationId = "org.vistrel.Vistrel";
inline constexpr const char* applicationName = "Vistrel";

} // namespace vistrel
