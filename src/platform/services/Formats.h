#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>

#include <cstdint>

namespace vistrel {

// The display rules for sizes, counts, dates, identifiers and permissions, so that one
// quantity reads the same everywhere. Pure and thread-safe; the locale defaults to the
// user's current one at the moment of the call.
class Formats {
public:
    // Decimal multiples (1 KB = 1000 bytes), the unit chosen to suit the size, zero spelled
    // out ("Zero KB"), the exact count never appended.
    static QString byteCount(std::int64_t bytes, const QLocale& locale = QLocale());
    // 12,345 in English, 12.345 in German.
    static QString groupedCount(std::int64_t count, const QLocale& locale = QLocale());
    // Always numeric with full unit names: "10 minutes ago", "1 day ago", "in 3 days".
    static QString relativeDateStyle(const QDateTime& date, const QDateTime& now = QDateTime::currentDateTime(),
                                     const QLocale& locale = QLocale());
    // The locale's default short date and time.
    static QString dateTimeStyle(const QDateTime& date, const QLocale& locale = QLocale());

    // printf-style rules: the low 32 bits of the value, as "%d", "0x%X" and "0%o" give them.
    static QString decimal(std::int64_t value);
    static QString hexadecimal(std::int64_t value);
    static QString octal(std::int64_t value);
    // "%f": six digits after the locale's decimal separator.
    static QString fixedPoint(double value, const QLocale& locale = QLocale());
    static QString boolean(bool value);
    static QString byteData(const QByteArray& data);
    // A count inside a message ("%lld"): plain decimal, no grouping.
    static QString messageCount(std::int64_t count);
};

} // namespace vistrel
