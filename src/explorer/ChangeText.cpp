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
    if (comparison.removedItems > 0)
        return signedBytes(comparison.change())
            + QStringLiteral(", %1 removed").arg(Formats::groupedCount(comparison.removedItems));
    return signedBytes(comparison.change());
}

namespace {

QString sizeOrDash(const std::optional<std::int64_t>& size)
{
    return size ? Formats::byteCount(*size) : QStringLiteral("—");
}

} // namespace

QString ChangeText::thenAndNow(const SizeComparison& comparison)
{
    QString text = QStringLiteral("Then %1 · Now %2").arg(sizeOrDash(comparison.before), sizeOrDash(comparison.after));
    const QString change = of(comparison);
    return change.isEmpty() ? text + QStringLiteral(" · No change") : text + QStringLiteral(" · ") + change;
}

QString ChangeText::sentence(const SizeComparison& comparison, const QString& earlierLabel)
{
    if (!comparison.before)
        return QStringLiteral("New since %1. Now: %2.").arg(earlierLabel, sizeOrDash(comparison.after));
    if (comparison.removed())
        return QStringLiteral("Gone since %1, when it took %2.").arg(earlierLabel, sizeOrDash(comparison.before));
    const QString change = of(comparison);
    return QStringLiteral("Size on %1: %2. Now: %3 (%4).")
        .arg(earlierLabel, sizeOrDash(comparison.before), sizeOrDash(comparison.after),
             change.isEmpty() ? QStringLiteral("no change") : change);
}

TextTone ChangeText::tone(const SizeComparison& comparison)
{
    if (comparison.removed() || comparison.change() == 0)
        return TextTone::figure;
    return comparison.change() > 0 ? TextTone::growth : TextTone::shrink;
}

TextTone ChangeText::cellTone(const SizeComparison* comparison, bool changeColumn, TextTone otherwise)
{
    if (comparison && comparison->removed())
        return TextTone::removed;
    if (comparison && changeColumn)
        return tone(*comparison);
    return otherwise;
}

} // namespace vistrel
