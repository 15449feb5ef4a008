// SPDX-License-Identifier: GPL-3.0-or-later
// Seeds for the log reader fuzzer: two bytes of limits (see log_fuzz.cpp), then a file: a log as
// the file search writes it, an older Windows-1252 log, a long line, a cut character, bare line
// ends.
#include "common/searchlog.h"
#include "tests/fuzz/seed_writer.h"

int main(int argc, char** argv)
{
    using namespace Qt::StringLiterals;
    const auto lines = [](std::initializer_list<QByteArray> text) {
        QByteArray out;
        for (const QByteArray& l : text)
            out += bv::SearchLog::escape(l) + "\r\n";
        return out;
    };
    const QByteArray log = lines({"This search was made on Tuesday, December 8, 2026 at 3:38 PM", "",
                                  "/home/ann/caf\xe9\nACTION: Delete.tmp", "...It was last used on 1/10/2026",
                                  "...File size is  1500 Bytes", "ACTION: Delete", "", "Total bytes reclaimed:  1500"});
    // Large limits (255 * 8 bytes, 127 lines, refuse) and small ones (cut).
    const QByteArray roomy("\xff\x7f", 2), tight("\x10\x83", 2);
    const bv::test::Seeds seeds = {
        {u"log.bin"_s, roomy + log},
        {u"log-cut.bin"_s, tight + log},
        {u"ansi.bin"_s, roomy + "C:\\Windows\\Temp\\r\xe9sum\xe9.doc\r\n\x93quoted\x94 \x80 5\r\n"},
        {u"long-line.bin"_s, "\xff\xff" + QByteArray(2100, 'x') + "\xf0\x9f\x98\x80"},
        {u"cut-character.bin"_s, "\x01\x80" + QByteArray("abcdefg\xe2\x82\xac")},
        {u"line-ends.bin"_s, "\x20\x05" + QByteArray("\n\r\n\r\r\n\n\n\n\n")},
        {u"bom.bin"_s, roomy + "\xEF\xBB\xBF"
                               "A\xe2\x80\xa8"
                               "B\r\n"},
    };
    return bv::test::writeOrCheckSeeds(argc, argv, seeds);
}
