// SPDX-License-Identifier: GPL-3.0-or-later
// Number and date texts shared by the logs and the panels.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <time.h>

namespace bv {

// A number as the log writes it: a leading blank for a non-negative value, "-" otherwise.
QString numText(std::int64_t value);

// A numeric picture such as "###,###,##0" or "###,###,###.0": "#" an optional digit, "0" a
// required one, "," turns on grouping, "." places the decimal point. Grouping and the decimal
// sign follow the given locale (the system's by default). Rounds half away from zero.
QString formatPicture(double value, const QString& picture, const QLocale* locale = nullptr);

// "Tuesday December 08, 2026  3:38 PM": the log header's date, always in English.
QString logHeaderDate(const QDateTime& when);

// A reason as the end of a sentence: one full stop, whatever the system's text ends with.
QString endSentence(const QString& reason);

// A date as the logs and the windows show it: the locale's short form, with the year always in
// four digits.
QString shortDateText(const QDate& date, const QLocale& locale);

// The calendar day of a file time, as stored (UTC).
QDate fileDay(const timespec& t);

// The 31 patterns every pattern box offers, in their order.
const QStringList& searchPatternItems();

// Nearest integer, halves to the even neighbour.
std::int64_t bankersRound(double value);

// Integer quotient rounded to the nearest, halves to even (a ÷ b for non-negative b > 0).
std::int64_t bankersDivide(std::int64_t a, std::int64_t b);

} // namespace bv
