#include "services/Formats.h"
#include "services/DisplayName.h"
#include "services/Translations.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdint>

namespace vistrel {
namespace {

const QLocale english(QLocale::English, QLocale::UnitedStates);
const QLocale german(QLocale::German, QLocale::Germany);

TEST(Formats, ByteCountsUseDecimalMultiplesAndSpellZeroOut)
{
    EXPECT_EQ(Formats::byteCount(0, english), QStringLiteral("Zero KB"));
    EXPECT_EQ(Formats::byteCount(999, english), QStringLiteral("999 bytes"));
    EXPECT_EQ(Formats::byteCount(1000, english), QStringLiteral("1 KB"));
    EXPECT_EQ(Formats::byteCount(1234567, english), QStringLiteral("1.2 MB"));
    EXPECT_EQ(Formats::byteCount(999999, english), QStringLiteral("1 MB")) << "rounding moves up a unit";
    EXPECT_EQ(Formats::byteCount(1500000000000, english), QStringLiteral("1.5 TB"));
    EXPECT_EQ(Formats::byteCount(1234567, german), QStringLiteral("1,2 MB"));
    const QString large = Formats::byteCount(987654321012345, english);
    EXPECT_FALSE(large.contains(QLatin1Char('('))) << "the exact count is never appended: " << large.toStdString();
    EXPECT_EQ(large, QStringLiteral("987.65 TB"));
}

TEST(Formats, CountsAreGroupedByLocale)
{
    EXPECT_EQ(Formats::groupedCount(1234567, english), QStringLiteral("1,234,567"));
    EXPECT_EQ(Formats::groupedCount(1234567, german), QStringLiteral("1.234.567"));
    EXPECT_EQ(Formats::groupedCount(1234567, QLocale::c()), QStringLiteral("1,234,567"));
    EXPECT_EQ(Formats::messageCount(1234567), QStringLiteral("1234567"));
}

TEST(Formats, PrintfRulesReadTheLow32Bits)
{
    EXPECT_EQ(Formats::decimal(42), QStringLiteral("42"));
    EXPECT_EQ(Formats::decimal(-1), QStringLiteral("-1"));
    EXPECT_EQ(Formats::decimal(4294967294), QStringLiteral("-2"));
    EXPECT_EQ(Formats::octal(493), QStringLiteral("0755"));
    EXPECT_EQ(Formats::octal(420), QStringLiteral("0644"));
    EXPECT_EQ(Formats::octal(0), QStringLiteral("00"));
    EXPECT_EQ(Formats::hexadecimal(255), QStringLiteral("0xFF"));
    EXPECT_EQ(Formats::hexadecimal(0), QStringLiteral("0x0"));
    EXPECT_EQ(Formats::hexadecimal(4294967296), QStringLiteral("0x0"));
    EXPECT_EQ(Formats::fixedPoint(3.5, english), QStringLiteral("3.500000"));
    EXPECT_EQ(Formats::fixedPoint(12345.5, german), QStringLiteral("12345,500000"));
    EXPECT_EQ(Formats::byteData(QByteArray()), QStringLiteral("Data: 0 bytes"));
    static int argc = 1;
    static char name[] = "vistrel-platform-tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
    Translations::install();
    EXPECT_EQ(Formats::byteData(QByteArray(1, 'x')), QStringLiteral("Data: 1 byte")) << "the built-in plural forms";
    EXPECT_EQ(Formats::byteData(QByteArray(2, 'x')), QStringLiteral("Data: 2 bytes"));
    EXPECT_EQ(Formats::boolean(true), QStringLiteral("Yes"));
}

TEST(Formats, RelativeDatesAreAlwaysNumeric)
{
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1700000000);
    EXPECT_EQ(Formats::relativeDateStyle(now.addSecs(-600), now, english), QStringLiteral("10 minutes ago"));
    EXPECT_EQ(Formats::relativeDateStyle(now.addDays(-1), now, english), QStringLiteral("1 day ago"));
    EXPECT_EQ(Formats::relativeDateStyle(now.addDays(3), now, english), QStringLiteral("in 3 days"));
    EXPECT_EQ(Formats::relativeDateStyle(now.addSecs(-7200), now, english), QStringLiteral("2 hours ago"));
    EXPECT_EQ(Formats::relativeDateStyle(now.addDays(-1), now, german), QStringLiteral("vor 1 Tag"));
    EXPECT_EQ(Formats::relativeDateStyle(now.addDays(-400), now, QLocale::c()), QStringLiteral("1 year ago"))
        << "the POSIX locale reads as English, plurals included";
}

TEST(Formats, ExtremesAndTheFullYear)
{
    EXPECT_EQ(Formats::byteCount(1234567890, english), QStringLiteral("1.23 GB"));
    EXPECT_EQ(Formats::byteCount(-1234567890, english), QStringLiteral("-1.23 GB"));
    EXPECT_EQ(Formats::byteCount(INT64_MIN, english), QStringLiteral("-9.22 EB"));
    EXPECT_EQ(Formats::byteCount(INT64_MAX, english), QStringLiteral("9.22 EB"));
    const QDateTime date(QDate(2023, 6, 5), QTime(10, 30));
    EXPECT_EQ(Formats::dateTimeStyle(date, english), QStringLiteral("6/5/2023, 10:30 AM"));
    EXPECT_TRUE(Formats::dateTimeStyle(date, german).contains(QStringLiteral("2023")))
        << Formats::dateTimeStyle(date, german).toStdString();
}

TEST(DisplayName, DifferentBytesNeverLookAlikeAndBidiControlsShow)
{
    EXPECT_EQ(DisplayName::of("plain caf\xc3\xa9"), QStringLiteral(u"plain café"));
    EXPECT_EQ(DisplayName::of("user.\xff\xfe"), QStringLiteral("user.\\xFF\\xFE"));
    EXPECT_NE(DisplayName::of("user.\xff\xfe"), DisplayName::of("user.\xfe\xff"));
    EXPECT_EQ(DisplayName::of("\xed\xa0\x80"), QStringLiteral("\\xED\\xA0\\x80")) << "a lone surrogate";
    EXPECT_EQ(DisplayName::of("\xc0\xaf"), QStringLiteral("\\xC0\\xAF")) << "an overlong slash";
    EXPECT_EQ(DisplayName::of("\xef\xbf\xbd"), QString(QChar::ReplacementCharacter)) << "a real U+FFFD stays";
    EXPECT_EQ(DisplayName::of("cut\xe2\x82"), QStringLiteral("cut\\xE2\\x82"));
    EXPECT_EQ(DisplayName::of("rtl\xe2\x80\xaetxt.exe"), QStringLiteral("rtl\\u202Etxt.exe"));
    EXPECT_EQ(DisplayName::of("\xf0\x9f\x98\x80"), QString::fromUtf8("\xf0\x9f\x98\x80")) << "emoji";
    EXPECT_EQ(DisplayName::of("two\nlines\tand\x01\x7f"), QStringLiteral("two\\nlines\\tand\\x01\\x7F"))
        << "one line, whatever the name holds";
}

} // namespace
} // namespace vistrel
