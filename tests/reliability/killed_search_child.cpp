// SPDX-License-Identifier: GPL-3.0-or-later
// The program side of the killed-run test: a scripted unattended file search, the very run Begin
// starts, answered by a user who says Yes to deleting without a look, that the test kills at a
// moment of its choosing.
//
//   killed_search_child START APPFOLDER PATTERN INSTRUCTION DATE BYTES FLAGS
//
// FLAGS holds 'r' to recycle, 'h' to ignore hidden files, 'd' to ignore hidden folders. The log
// is APPFOLDER/temp.bv. Exit 0 after a complete run, 1 when the run could not start.
#include "common/headlessuser.h"
#include "platform/filesizelimit.h"
#include "search/filesearchrun.h"

#include <QCoreApplication>
#include <QDateTime>

int main(int argc, char** argv)
{
    bv::letWritesFailAtFileSizeLimit(); // as both programs do
    QCoreApplication app(argc, argv);
    if (argc != 8)
        return 2;
    const QByteArray flags = argv[7];
    bv::FileSearchEntries e;
    e.pattern0 = QString::fromUtf8(argv[3]);
    e.instruction = QString::fromUtf8(argv[4]);
    e.sinceText = QStringLiteral("since");
    e.dateText = QString::fromUtf8(argv[5]);
    e.bytesText = QString::fromUtf8(argv[6]);
    e.recycle = flags.contains('r');
    e.verify = false;
    e.ignoreHidden = flags.contains('h');
    e.ignoreHiddenDirs = flags.contains('d');
    const bv::ValidationResult v = bv::validateEntries(e, QLocale(QLocale::English, QLocale::UnitedStates));
    if (v.issue)
        return 1;
    bv::FileSearchCriteria criteria = v.criteria;
    criteria.folder = argv[1];

    bv::AppState program;
    program.AppFolder = argv[2];
    program.Now = [] { return QDateTime(QDate(2026, 12, 8), QTime(15, 38)); };
    bv::RunValues values;
    bv::HeadlessUser user;
    user.answers = {true};
    bv::FileSearchRun run(criteria, program, values, user);
    if (run.run() != bv::FileSearchRun::Outcome::Ran)
        return 1;
    return values.FilesMatched > 0 || program.Log.failed() ? 0 : 1;
}
