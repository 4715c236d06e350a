#pragma once

#include <QString>

#include <array>
#include <optional>

namespace vistrel {

// What the explorer screen's search field drives: the filtered table or the search; or,
// without a text, the largest files anywhere below.
enum class SearchScope { filter, search, largest };

inline constexpr std::array<SearchScope, 3> allSearchScopes{SearchScope::filter, SearchScope::search,
                                                            SearchScope::largest};

inline QString rawValue(SearchScope scope)
{
    switch (scope) {
    case SearchScope::filter:
        return QStringLiteral("Filter Current");
    case SearchScope::search:
        return QStringLiteral("Search All Under");
    case SearchScope::largest:
        break;
    }
    return QStringLiteral("Largest Files Under");
}

// Exactly the raw values.
inline std::optional<SearchScope> searchScope(const QString& rawValue)
{
    for (const SearchScope scope : allSearchScopes) {
        if (vistrel::rawValue(scope) == rawValue)
            return scope;
    }
    return std::nullopt;
}

} // namespace vistrel
