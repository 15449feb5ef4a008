// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/format.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

using namespace bv;

namespace {

timespec utc(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0)
{
    return {QDateTime(QDate(y, m, d), QTime(hh, mm, ss), Qt::UTC).toSecsSinceEpoch(), 0};
}

} // namespace

TEST(Format, NumTextHasLeadingBlankForNonNegative)
{
    const struct
    {
        std::int64_t value;
        const char* text;
    } cases[] = {
        {0, " 0"}, {7, " 7"}, {-7, "-7"}, {4294967296LL, " 4294967296"}, {-2147483649LL, "-2147483649"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(numText(c.value), QString::fromLatin1(c.text)) << c.value;
}

TEST(Format, PicturesGroupAndRoundWithTheLocale)
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);
    const struct
    {
        double value;
        const char* picture;
        const QLocale* locale;
        const char* text;
    } cases[] = {
        {0, "###,###,##0", &us, "0"},
        {999, "###,###,##0", &us, "999"},
        {1000, "###,###,##0", &us, "1,000"},
        {1234567, "###,###,##0", &us, "1,234,567"},
        {1234567, "###,###,##0", &de, "1.234.567"},
        {8589934592.0, "###,###,##0", &us, "8,589,934,592"}, // past 32 bits
        {1234.56, "###,###,###.0", &us, "1,234.6"},
        {1234.56, "###,###,###.0", &de, "1.234,6"},
        {0.04, "###,###,###.0", &us, ".0"},  // no required integer digit in the picture
        {2.5, "##########", &us, "3"},       // fractions round half away from zero
        {12345, "##########", &us, "12345"}, // no separators without a comma
        {-1500, "###,###,##0", &us, "-1,500"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatPicture(c.value, QString::fromLatin1(c.picture), c.locale), QString::fromUtf8(c.text))
            << c.value << " " << c.picture;
}

TEST(Format, LogHeaderDateIsEnglishWithTwelveHourClock)
{
    const struct
    {
        QDateTime when;
        const char* text;
    } cases[] = {
        {QDateTime(QDate(2026, 12, 8), QTime(15, 38)), "Tuesday December 08, 2026  3:38 PM"},
        {QDateTime(QDate(2027, 1, 1), QTime(0, 5)), "Friday January 01, 2027  12:05 AM"},
        {QDateTime(QDate(2024, 2, 29), QTime(12, 0)), "Thursday February 29, 2024  12:00 PM"},
        {QDateTime(QDate(1999, 7, 14), QTime(9, 9)), "Wednesday July 14, 1999  9:09 AM"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(logHeaderDate(c.when), QString::fromLatin1(c.text));
}

TEST(Format, BankersRoundingSendsHalvesToEven)
{
    const struct
    {
        double value;
        std::int64_t rounded;
    } cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {2.4999, 2}, {2.5001, 3}, {-0.5, 0}, {-1.5, -2}};
    for (const auto& c : cases)
        EXPECT_EQ(bankersRound(c.value), c.rounded) << c.value;

    // The progress step: folder count divided by 11, halves to even.
    const struct
    {
        std::int64_t a, b, q;
    } divs[] = {{5, 11, 0}, {6, 11, 1}, {16, 11, 1}, {17, 11, 2}, {33, 22, 2}, {55, 22, 2}, {77, 22, 4}, {0, 11, 0}};
    for (const auto& d : divs)
        EXPECT_EQ(bankersDivide(d.a, d.b), d.q) << d.a << "/" << d.b;
}

TEST(Format, FileDatesIgnoreTheLocalTimeZone)
{
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "Pacific/Kiritimati"); // UTC+14: local time is already the next day
    ::tzset();
    EXPECT_EQ(fileDay(utc(2026, 6, 1, 23)), QDate(2026, 6, 1));
    if (oldTz.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", oldTz);
    ::tzset();
}

TEST(Format, PatternListIsComplete)
{
    EXPECT_EQ(searchPatternItems().size(), 31);
    EXPECT_EQ(searchPatternItems().first(), QStringLiteral("*.art"));
    EXPECT_EQ(searchPatternItems().last(), QStringLiteral("*.voc"));
    EXPECT_EQ(searchPatternItems().indexOf(QStringLiteral("*.html")), 23);
}
