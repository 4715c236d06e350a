#include "ChangeText.h"

#include "services/Formats.h"

namespace vistrel {

QString ChangeText::signedBytes(std::int64_t change)
{
    if (change == 0)
        return Formats::byteCount(0);
    const auto magnitude = change < 0 ? 0 - static_cast<std::uint64_t>(change) : static_cast<std::uint64_t>(change);
    return (change < 0 ? QStringLiteral("\u2212") : QStringLiteral("+"))
        + Formats::byteCount(static_cast<std::int64_t>(std::min<std::uint64_t>(magnitude, INT64_MAX)));
}

QString ChangeText::of(const SizeComparison& comparison)
{
    if (!comparison.before)
        return QStringLiteral("New");
    if (comparison.removed())
        return QStringLiteral("Removed");
    if (comparison.change() == 0)
        return {};
    return signedBytes(comparison.change());
}

QColor ChangeText::color(const SizeComparison& comparison)
{
    if (comparison.removed() || comparison.change() == 0)
        return {};
    // Dark enough to read on a light base, light enough on a dark one.
    return comparison.change() > 0 ? QColor(0xd0, 0x3a, 0x2f) : QColor(0x2e, 0x9a, 0x48);
}

} // namespace vistrel
