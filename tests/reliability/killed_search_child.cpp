// The program side of the killed-run test: a scripted unattended file search through the real
// panel in the main window, offscreen, that the test kills at a moment of its choosing.
//
//   killed_search_child START APPFOLDER PATTERN INSTRUCTION DATE BYTES FLAGS
//
// FLAGS holds 'r' to recycle, 'h' to ignore hidden files, 'd' to ignore hidden folders. The log
// is APPFOLDER/temp.bv. Exit 0 after a complete run, 1 when the run could not start.
#include "platform/filesizelimit.h"
#include "tests/search/filesearch_test_support.h"
#include "tests/support/scripted_messages.h"

#include <QApplication>

int main(int argc, char** argv)
{
    bv::letWritesFailAtFileSizeLimit(); // as both programs do
    QApplication app(argc, argv);
    if (argc != 8)
        return 2;
    bv::test::PanelHarness h;
    bv::test::ScriptedMessages boxes; // a file that changed is told in a box: answered at once
    h.state.AppFolder = argv[2];
    const QByteArray flags = argv[7];
    bv::test::PanelEntries e;
    e.pattern0 = QString::fromUtf8(argv[3]);
    e.instruction = QString::fromUtf8(argv[4]);
    e.date = QString::fromUtf8(argv[5]);
    e.bytes = QString::fromUtf8(argv[6]);
    e.recycle = flags.contains('r');
    e.verify = false;
    e.ignoreHidden = flags.contains('h');
    e.ignoreDirs = flags.contains('d');
    h.fill(e, argv[1]);
    h.panel->BeginButton_Click();
    return h.run().FilesMatched > 0 || h.state.Log.failed() ? 0 : 1;
}
