// SPDX-License-Identifier: GPL-3.0-or-later
// Seeds for the wildcard fuzzer: a pattern, then names, NUL-separated.
#include "tests/fuzz/seed_writer.h"

int main(int argc, char** argv)
{
    using namespace Qt::StringLiterals;
    const auto join = [](std::initializer_list<QByteArray> parts) {
        QByteArray out;
        for (const QByteArray& p : parts)
            out += p + '\0';
        out.chop(1);
        return out;
    };
    const bv::test::Seeds seeds = {
        {u"ascii.bin"_s, join({"*.tmp", "report.TMP", "a.tmp", "tmp", ".tmp"})},
        {u"every-name.bin"_s, join({"*.*", "readme", "README.", "a.b.c"})},
        {u"question-marks.bin"_s, join({"~??.t?p", "~ab.tmp", "~a.tmp", "~abc.TMP"})},
        {u"unicode.bin"_s, join({"\xc3\x84"
                                 "b?.txt",
                                 "\xc3\xa4"
                                 "bc.TXT",
                                 "ABC.txt",
                                 "\xc3\x9f"
                                 ".txt",
                                 "SS.txt"})},
        {u"not-utf8.bin"_s, join({"caf\xe9*", "caf\xe9.txt", "CAF\xc9.txt", "caf\xef\xbf\xbd.txt"})},
        {u"plain.bin"_s, join({"Thumbs.db", "thumbs.DB", "Thumbs.db.bak", "\xc4\xb0.db"})},
        {u"stars.bin"_s, join({"*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "ab"})},
    };
    return bv::test::writeOrCheckSeeds(argc, argv, seeds);
}
