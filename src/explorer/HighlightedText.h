#pragma once

#include <QString>

namespace vistrel {

// A name with the first occurrence of the search text marked (compared ignoring case, without
// a locale); the explorer table and the search results draw the mark in bold accent colour.
struct HighlightedText {
    QString before;
    QString match; // empty: nothing to mark
    QString after;

    static HighlightedText make(const QString& fullText, const QString& searchText);
};

} // namespace vistrel
