#include "Formats.h"
#include "Translations.h"

#include <QCoreApplication>

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/reldatefmt.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

namespace vistrel {

namespace {

QString tr(const char* text, const char* disambiguation = nullptr, int count = -1)
{
    return QCoreApplication::translate("Formats", text, disambiguation, count);
}

// One ICU formatter per locale, made on first use and shared; ICU formatters are not
// guaranteed safe for concurrent calls, so calls go through the same lock.
// ICU's name for a Qt locale. Qt calls the POSIX locale (no LANG, as in many containers)
// "C", which ICU reads as its root locale, without English plurals ("1 years ago").
std::string icuLocaleName(const QLocale& locale)
{
    return locale.language() == QLocale::C ? std::string("en_US") : locale.name().toStdString();
}

class RelativeFormatters {
public:
    QString format(const QLocale& locale, double offset, URelativeDateTimeUnit unit)
    {
        std::lock_guard lock(mutex_);
        const std::string name = icuLocaleName(locale);
        auto found = formatters_.find(name);
        if (found == formatters_.end()) {
            UErrorCode status = U_ZERO_ERROR;
            auto formatter = std::make_unique<icu::RelativeDateTimeFormatter>(
                icu::Locale(name.c_str()), nullptr, UDAT_STYLE_LONG, UDISPCTX_CAPITALIZATION_NONE, status);
            if (U_FAILURE(status))
                formatter.reset();
            found = formatters_.emplace(name, std::move(formatter)).first;
        }
        if (!found->second)
            return {};
        icu::UnicodeString text;
        UErrorCode status = U_ZERO_ERROR;
        found->second->formatNumeric(offset, unit, text, status);
        if (U_FAILURE(status))
            return {};
        return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
    }

private:
    std::mutex mutex_;
    std::map<std::string, std::unique_ptr<icu::RelativeDateTimeFormatter>> formatters_;
};

RelativeFormatters& relativeFormatters()
{
    static RelativeFormatters formatters; // created once, thread-safe
    return formatters;
}

QString number(double value, int decimals, const QLocale& locale)
{
    QString text = locale.toString(value, 'f', decimals);
    // Trailing zeros of the fraction are dropped: "1 KB", "1.5 MB", not "1.50 MB".
    const QString point = locale.decimalPoint();
    if (decimals > 0 && text.contains(point)) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(point))
            text.chop(point.size());
    }
    return text;
}

} // namespace

QString Formats::byteCount(std::int64_t bytes, const QLocale& locale)
{
    if (bytes == 0)
        return tr("Zero KB");
    // Unsigned, so that the most negative count has a magnitude too.
    const std::uint64_t magnitude
        = bytes < 0 ? 0 - static_cast<std::uint64_t>(bytes) : static_cast<std::uint64_t>(bytes);
    if (magnitude < 1000)
        return magnitude == 1 ? tr("%1 byte").arg(locale.toString(bytes)) : tr("%1 bytes").arg(locale.toString(bytes));
    static const char* const units[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    static const int decimals[] = {0, 1, 2, 2, 2, 2};
    double value = static_cast<double>(bytes) / 1000.0;
    std::size_t unit = 0;
    // Move up while the rounded figure would read 1000 or more ("1 MB", not "1,000 KB").
    while (unit + 1 < std::size(units)) {
        const double scale = std::pow(10.0, decimals[unit]);
        if (std::fabs(std::round(value * scale) / scale) < 1000.0)
            break;
        value /= 1000.0;
        ++unit;
    }
    return number(value, decimals[unit], locale) + QLatin1Char(' ') + QLatin1String(units[unit]);
}

QString Formats::groupedCount(std::int64_t count, const QLocale& locale)
{
    QLocale grouped = locale;
    grouped.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return grouped.toString(static_cast<qlonglong>(count));
}

QString Formats::relativeDateStyle(const QDateTime& date, const QDateTime& now, const QLocale& locale)
{
    const double seconds = static_cast<double>(now.msecsTo(date)) / 1000.0;
    const double magnitude = std::fabs(seconds);
    struct Step {
        double seconds;
        URelativeDateTimeUnit unit;
    };
    static const Step steps[]
        = {{365.0 * 86400, UDAT_REL_UNIT_YEAR}, {30.0 * 86400, UDAT_REL_UNIT_MONTH}, {7.0 * 86400, UDAT_REL_UNIT_WEEK},
           {86400, UDAT_REL_UNIT_DAY},          {3600, UDAT_REL_UNIT_HOUR},          {60, UDAT_REL_UNIT_MINUTE}};
    for (const Step& step : steps) {
        if (magnitude >= step.seconds)
            return relativeFormatters().format(locale, std::trunc(seconds / step.seconds), step.unit);
    }
    return relativeFormatters().format(locale, std::trunc(seconds), UDAT_REL_UNIT_SECOND);
}

QString Formats::dateTimeStyle(const QDateTime& date, const QLocale& locale)
{
    // ICU's short date and time, with the year written in full ("6/5/2023, 10:30 AM").
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createDateTimeInstance(
        icu::DateFormat::kShort, icu::DateFormat::kShort, icu::Locale(icuLocaleName(locale).c_str())));
    auto* simple = dynamic_cast<icu::SimpleDateFormat*>(format.get());
    if (!simple)
        return locale.toString(date.toLocalTime(), QLocale::ShortFormat);
    icu::UnicodeString pattern;
    simple->toPattern(pattern);
    icu::UnicodeString full;
    bool quoted = false;
    for (int32_t index = 0; index < pattern.length(); ++index) {
        const char16_t unit = pattern.charAt(index);
        if (unit == u'\'')
            quoted = !quoted;
        if (!quoted && unit == u'y') {
            while (index + 1 < pattern.length() && pattern.charAt(index + 1) == u'y')
                ++index;
            full.append(u'y');
            continue;
        }
        full.append(unit);
    }
    simple->applyPattern(full);
    icu::UnicodeString text;
    simple->format(static_cast<UDate>(date.toMSecsSinceEpoch()), text, status);
    if (U_FAILURE(status))
        return locale.toString(date.toLocalTime(), QLocale::ShortFormat);
    // ICU 72 puts a narrow no-break space before AM and PM, which many fonts and parsers lack.
    return QString::fromUtf16(text.getBuffer(), text.length()).replace(QChar(0x202f), QLatin1Char(' '));
}

QString Formats::decimal(std::int64_t value)
{
    return QString::number(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

QString Formats::hexadecimal(std::int64_t value)
{
    return QStringLiteral("0x") + QString::number(static_cast<std::uint32_t>(value), 16).toUpper();
}

QString Formats::octal(std::int64_t value)
{
    return QStringLiteral("0") + QString::number(static_cast<std::uint32_t>(value), 8);
}

QString Formats::fixedPoint(double value, const QLocale& locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(value, 'f', 6);
}

QString Formats::boolean(bool value)
{
    return value ? tr("Yes") : tr("No");
}

QString Formats::byteData(const QByteArray& data)
{
    return tr("Data: %n bytes", nullptr, Translations::count(data.size()));
}

QString Formats::messageCount(std::int64_t count)
{
    return QString::number(static_cast<qlonglong>(count));
}

} // namespace vistrel
