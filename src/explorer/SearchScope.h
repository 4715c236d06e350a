#pragma once

#include <QString>

#include <array>
#include <optional>

namespace vistrel {

// What the explorer screen's search field drives: the filtered table or the search; or,
// without a text, the largest files anywhere below, or (while comparing with an earlier
// snapshot) the files and folders below whose size changed most.
enum class SearchScope { filter, search, largest, changes };

inline constexpr std::array<SearchScope, 4> allSearchScopes{SearchScope::filter, SearchScope::search,
                                                            SearchScope::largest, SearchScope::changes};

inline QString rawValue(SearchScope scope)
{
    switch (scope) {
    case SearchScope::filter:
        return QStringLiteral("Filter Current");
    case SearchScope::search:
        return QStringLiteral("Search All Under");
    case SearchScope::largest:
        return QStringLiteral("Largest Files Under");
    case SearchScope::changes:
        break;
    }
    return QStringLiteral("Biggest Changes Under");
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
