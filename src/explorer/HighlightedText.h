#pragma once

#include <QString>

namespace vistrel {

// A name with the first occurrence of the search text marked (compared ignoring case in the
// user's locale; accents count); the explorer table and the search results draw the mark in
// bold accent colour.
struct HighlightedText {
    QString before;
    QString match; // empty: nothing to mark
    QString after;

    static HighlightedText make(const QString& fullText, const QString& searchText);
    // Where `searchText` first occurs in `fullText` by the same comparison; -1 when it does not.
    static qsizetype find(const QString& fullText, const QString& searchText);
};

} // namespace vistrel
