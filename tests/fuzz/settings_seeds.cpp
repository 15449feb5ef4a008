// SPDX-License-Identifier: GPL-3.0-or-later
// Seeds for the Quillbar settings fuzzer: files as the program writes them, as older versions
// wrote them (Windows-1252, other line ends) and a few damaged ones.
#include "charbar/core/settings.h"
#include "tests/fuzz/seed_writer.h"

int main(int argc, char** argv)
{
    using namespace Qt::StringLiterals;
    using bv::quill::QuillSettings;
    QuillSettings full;
    full.top = -120;
    full.left = 30000;
    full.hostCaption = u"Untitled - Notepad"_s;
    full.buttonFont = u"DejaVu Sans"_s;
    full.codes = {169, 174, 128, 233, 232, 224, 241, 191, 161, 176, 177, 215};
    full.alwaysOnTop = true;
    QuillSettings quoted = full;
    quoted.hostCaption = u" \"Report\", draft "_s;
    const QByteArray written = bv::quill::formatSettings(full);
    QByteArray ansi = bv::quill::formatSettings(quoted);
    ansi.replace("DejaVu Sans", "Caf\xe9 Sans"); // an older version's Windows-1252 file
    QByteArray lf = written;
    lf.replace("\r\n", "\n");
    QByteArray cr = written;
    cr.replace("\r\n", "\r");
    const bv::test::Seeds seeds = {
        {u"written.ini"_s, written},
        {u"quoted-ansi.ini"_s, ansi},
        {u"lf.ini"_s, lf},
        {u"cr.ini"_s, cr},
        {u"bom-short.ini"_s, "\xEF\xBB\xBFQuillbar Settings\r\n(x)\r\n 1e3 \r\n-0.5\r\n"},
        {u"bad-numbers.ini"_s, written.left(60) + "1e400\r\nnan\r\n\"\r\n, ,\r\n 256 \r\n 129 \r\n 31 \r\n-1\r\n"},
    };
    return bv::test::writeOrCheckSeeds(argc, argv, seeds);
}
