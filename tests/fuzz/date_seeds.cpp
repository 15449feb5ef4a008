// SPDX-License-Identifier: GPL-3.0-or-later
// Seeds for the date fuzzer: a locale byte (see date_fuzz.cpp), then the typed text.
#include "tests/fuzz/seed_writer.h"

int main(int argc, char** argv)
{
    using namespace Qt::StringLiterals;
    const auto seed = [](char locale, const char* text) { return QByteArray(1, locale) + text; };
    const bv::test::Seeds seeds = {
        {u"iso.txt"_s, seed(0, "2026-12-08")},
        {u"us-short.txt"_s, seed(0, "12/8/26")},
        {u"german.txt"_s, seed(1, "8.12.2026")},
        {u"british-invalid.txt"_s, seed(2, "31/02/2026")},
        {u"japanese.txt"_s, seed(3, "2026/12/08")},
        {u"hungarian-dot.txt"_s, seed(4, "2026. 12. 08.")},
        {u"arabic-digits.txt"_s, seed(5, "\xd9\xa8/\xd9\xa1\xd9\xa2/\xd9\xa2\xd9\xa0\xd9\xa2\xd9\xa6")},
        {u"blanks.txt"_s, seed(6, " 1/1/1 ")},
        {u"named-month.txt"_s, seed(7, "8 Dec 2026")},
        // Found by the fuzzer: the locale's own reading took the sign, giving the year -2026.
        {u"named-month-negative-year.txt"_s, seed(7, "8 Dec -2026")},
    };
    return bv::test::writeOrCheckSeeds(argc, argv, seeds);
}
