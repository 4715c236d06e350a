#include "HighlightedText.h"

#include <QLocale>

namespace vistrel {

qsizetype HighlightedText::find(const QString& fullText, const QString& searchText)
{
    if (searchText.isEmpty())
        return -1;
    // The locale's lower case (a Turkish "I" is "ı"); where lowering changes a length, offsets
    // would not map back, and Unicode's case folding stands in.
    const QLocale locale;
    const QString text = locale.toLower(fullText);
    const QString search = locale.toLower(searchText);
    if (text.size() != fullText.size() || search.size() != searchText.size())
        return fullText.indexOf(searchText, 0, Qt::CaseInsensitive);
    return text.indexOf(search);
}

HighlightedText HighlightedText::make(const QString& fullText, const QString& searchText)
{
    const qsizetype at = find(fullText, searchText);
    if (at < 0)
        return HighlightedText{fullText, {}, {}};
    return HighlightedText{fullText.left(at), fullText.mid(at, searchText.size()),
                           fullText.mid(at + searchText.size())};
}

} // namespace vistrel
