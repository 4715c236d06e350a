#pragma once

#include "SizeComparison.h"

#include "TextTone.h"

#include <QString>

namespace vistrel {

// How a change of size reads in the window: "+1.2 GB", "−340 MB", "New", "Removed", and
// empty when nothing changed; red for growth, green for shrinking (the disk's point of view).
class ChangeText {
public:
    static QString of(const SizeComparison& comparison);
    // Growth or shrink; figure when nothing changed or the item is gone.
    static TextTone tone(const SizeComparison& comparison);
    // "Then 5 MB · Now 900 MB · +895 MB" (a dash for the side without the item).
    static QString thenAndNow(const SizeComparison& comparison);
    // "Size on <date>: 5 MB. Now: 900 MB (+895 MB)."
    static QString sentence(const SizeComparison& comparison, const QString& earlierLabel);
    // A cell's tone in a row that may be compared: faded when the item is gone, growth or
    // shrink in the change column, else `otherwise`.
    static TextTone cellTone(const SizeComparison* comparison, bool changeColumn, TextTone otherwise);
    // "+1.2 GB" of a signed byte count ("−" is the minus sign, not a hyphen).
    static QString signedBytes(std::int64_t change);
};

} // namespace vistrel
