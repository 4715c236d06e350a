#pragma once

#include <QString>

#include <array>
#include <optional>

namespace vistrel {

// What the explorer screen's search field drives: the filtered table or the search.
enum class SearchScope { filter, search };

inline constexpr std::array<SearchScope, 2> allSearchScopes{SearchScope::filter, SearchScope::search};

inline QString rawValue(SearchScope scope)
{
    return scope == SearchScope::filter ? QStringLiteral("Filter Current") : QStringLiteral("Search All Under");
}

// Exactly the two raw values.
inline std::optional<SearchScope> searchScope(const QString& rawValue)
{
    for (const SearchScope scope : allSearchScopes) {
        if (vistrel::rawValue(scope) == rawValue)
            return scope;
    }
    return std::nullopt;
}

} // namespace vistrel
