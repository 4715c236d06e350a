#include "HighlightedText.h"

namespace vistrel {

HighlightedText HighlightedText::make(const QString& fullText, const QString& searchText)
{
    const qsizetype at = searchText.isEmpty() ? -1 : fullText.indexOf(searchText, 0, Qt::CaseInsensitive);
    if (at < 0)
        return HighlightedText{fullText, {}, {}};
    return HighlightedText{fullText.left(at), fullText.mid(at, searchText.size()),
                           fullText.mid(at + searchText.size())};
}

} // namespace vistrel
