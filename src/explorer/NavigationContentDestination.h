#pragma once

#include <QString>

#include <array>

namespace vistrel {

// The content areas the sidebar lists.
enum class NavigationContentDestination { explorer };

inline constexpr std::array<NavigationContentDestination, 1> allNavigationContentDestinations{
    NavigationContentDestination::explorer};

// The sidebar label, its freedesktop icon name, and the detail column's title.
inline QString label(NavigationContentDestination)
{
    return QStringLiteral("Explorer");
}
inline QString iconName(NavigationContentDestination)
{
    return QStringLiteral("folder");
}
inline QString title(NavigationContentDestination)
{
    return QStringLiteral("Explorer");
}

} // namespace vistrel
