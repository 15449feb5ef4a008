// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the date the user types in the file search: the first byte picks a locale, the
// rest is the typed text (UTF-8). Any text gives a valid date or nothing, within the years a
// file time can have; a date it gives reads back the same from its ISO form and from the short
// form the log and the verification window show it in.
#include "search/filesearch.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstdint>

using bv::test::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || size > 256)
        return 0; // a date box holds a few characters; long texts only slow the fuzzer
    static const QLocale locales[] = {
        QLocale(QLocale::English, QLocale::UnitedStates),  QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::English, QLocale::UnitedKingdom), QLocale(QLocale::Japanese, QLocale::Japan),
        QLocale(QLocale::Hungarian, QLocale::Hungary),     QLocale(QLocale::Arabic, QLocale::Egypt),
        QLocale(QLocale::French, QLocale::France),         QLocale::c(),
    };
    const QLocale& locale = locales[data[0] % std::size(locales)];
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const std::optional<QDate> date = bv::parseUserDate(text, locale);
    if (!date)
        return 0;
    require(date->isValid() && date->year() >= 1 && date->year() <= 9999);
    require(bv::parseUserDate(date->toString(QStringLiteral("yyyy-MM-dd")), locale) == date);
    // Years below 1000 have no four-digit short form that reads back unambiguously.
    require(date->year() < 1000 || bv::parseUserDate(bv::shortDateText(*date, locale), locale) == date);
    return 0;
}
