// SPDX-License-Identifier: GPL-3.0-or-later
// The Disk Space and Cluster Overhang windows offscreen, over volumes a fake geometry source
// makes up and fixture trees presented as drives.
#include "common/appstate.h"
#include "common/ui/panelhost.h"
#include "common/ui/printsurface.h"
#include "disk/ui/diskspacewindow.h"
#include "disk/overhang.h"
#include "disk/ui/overhangwindow.h"
#include "platform/twips.h"
#include "platform/ui/messagebox_qt.h"
#include "platform/volumes.h"
#include "common/ui/drivelist.h"
#include "tests/disk/fake_disk_geometry.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/tree_fixture.h"
#include "tests/support/ui/fake_host.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace bv;
using namespace bv::test;

namespace {

QByteArray currentDrive()
{
    const std::optional<Volume> v = currentVolume();
    return v ? v->mountPoint : QByteArray("/");
}

template <typename T> T* child(QWidget* w, const char* name)
{
    return w->findChild<T*>(QString::fromLatin1(name));
}

QString text(QWidget* w, const char* name)
{
    return child<QLabel>(w, name)->text();
}

// What a user's pick in the list does: the row changes, then the list announces it.
void pickDrive(DriveList* list, const QByteArray& mountPoint)
{
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemData(i, Qt::UserRole).toByteArray() == mountPoint) {
            list->setCurrentIndex(i);
            Q_EMIT list->activated(i);
            return;
        }
    }
    QFAIL("drive not listed");
}

// Within the frame's few pixels: the window is placed before the window system adds its frame.
bool centred(QWidget* w)
{
    const QRect screen = w->screen()->geometry();
    const QRect frame = w->frameGeometry();
    return std::abs(frame.center().x() - screen.center().x()) <= 3 &&
           std::abs(frame.center().y() - screen.center().y()) <= 3;
}

void moveMouseOver(QWidget* w)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

bool insertNew(QSet<QByteArray>& set, const QByteArray& key)
{
    const qsizetype before = set.size();
    set.insert(key);
    return set.size() != before;
}

// What GNU find sees in a tree, counted the way the overhang search counts: every file the walk
// lists (regular files and links to files), and each regular file's size once however many links
// it has, rounded up to whole clusters of `cluster` bytes. The trash folder is left out, as the
// walk leaves it out.
struct FindFigures
{
    std::uint64_t files = 0;
    std::uint64_t sizes = 0;
    std::uint64_t used = 0;
};

FindFigures findFigures(const QByteArray& root, const QByteArray& trash, std::uint64_t cluster)
{
    const QByteArray cmd =
        "find '" + root + "' -xdev -path '" + trash + "' -prune -o \\( -type f -o -type l \\) -printf '%y %D:%i %s\\n'";
    FILE* p = ::popen(cmd.constData(), "r");
    FindFigures f;
    QSet<QByteArray> seen;
    char type = 0;
    char id[64];
    unsigned long long size = 0;
    while (p && std::fscanf(p, " %c %63s %llu", &type, id, &size) == 3) {
        ++f.files;
        if (type != 'f' || !insertNew(seen, QByteArray(id)))
            continue;
        f.sizes += size;
        f.used += std::max<std::uint64_t>(1, (size + cluster - 1) / cluster) * cluster;
    }
    if (p)
        ::pclose(p);
    return f;
}

// A window over a fixture tree presented as the only drive, with 4 KiB clusters.
struct OverhangHarness
{
    explicit OverhangHarness(TreeFixture& tree) : host(program), window(host, geometry)
    {
        geometry.volumes.insert(tree.root(), DiskGeometry{512, 8, 1000, 2000});
        window.driveList()->setDrives({{tree.root(), QStringLiteral("fixture")}}, tree.root());
        window.onOpened();
        window.show();
    }
    QString printed(int x, int y) const { return window.surface()->printedAt(x, y); }
    QPushButton* button(const char* name) { return child<QPushButton>(&window, name); }
    void start() { QTest::mouseClick(button("StartButton"), Qt::LeftButton); }
    // Runs `act` once, at the first turn of the event loop inside the walk.
    void duringTheWalk(std::function<void()> act)
    {
        auto* poll = new QTimer(&window);
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, act] {
            if (program.SearchState != SearchState::Running)
                return;
            poll->stop();
            act();
        });
        poll->start(0);
    }

    ScriptedMessages messages;
    AppState program;
    FakeHost host;
    FakeDiskGeometry geometry;
    ClusterOverhangWindow window;
};

} // namespace

class DiskWindowsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void diskSpaceOpensOnTheCurrentDriveWithTrueFigures()
    {
        FakeDiskGeometry geometry;
        geometry.volumes.insert(currentDrive(), sixteenTerabytes());
        AppState program;
        FakeHost host(program);
        DiskSpaceWindow w(host, geometry);
        w.onOpened();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        // Only the drive shown is asked about: a dead share elsewhere in the list cannot hold
        // the window up.
        QCOMPARE(geometry.queries, QList<QByteArray>{currentDrive()});
        QCOMPARE(text(&w, "TotalCapacity"), QStringLiteral(" 17,592,186,044,416 Bytes     17,179,869,184 Kb"));
        QCOMPARE(text(&w, "FSpace"), QStringLiteral(" 4,398,046,511,104 Bytes     4,294,967,296 Kb"));
        QCOMPARE(text(&w, "USpace"), QStringLiteral(" 13,194,139,533,312 Bytes     12,884,901,888 Kb"));
        QCOMPARE(text(&w, "Percentage"), QStringLiteral("75% used space"));
        QCOMPARE(text(&w, "BPSector"), QStringLiteral(" 512"));
        QCOMPARE(text(&w, "SPCluster"), QStringLiteral(" 8"));
        QCOMPARE(text(&w, "TCluster"), QStringLiteral(" 4,294,967,296"));
        auto* flood = child<QLabel>(&w, "Flood");
        QVERIFY(flood->isVisible());
        QVERIFY(std::abs(flood->width() - tw(4607 * 3 / 4)) <= 1);
        QVERIFY(centred(&w));
    }

    void diskSpaceDriveChanges()
    {
        ScriptedMessages messages;
        FakeDiskGeometry geometry;
        geometry.volumes.insert("/big", sixteenTerabytes());
        geometry.volumes.insert("/empty", DiskGeometry{512, 8, 100, 100});
        geometry.volumes.insert("/tiny", DiskGeometry{1, 1, 977, 2000});
        AppState program;
        FakeHost host(program);
        DiskSpaceWindow w(host, geometry);
        w.driveList()->setDrives({{"/big", "big"}, {"/empty", "e"}, {"/tiny", "t"}, {"/gone", "g"}}, "/big");
        w.onOpened();
        w.show();
        auto* flood = child<QLabel>(&w, "Flood");
        const int fullWidth = flood->width();

        // A drive that does not answer: told, figures kept, the list stays on the pick.
        pickDrive(w.driveList(), "/gone");
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text, QStringLiteral("Cannot access the drive specified."));
        QCOMPARE(messages.shown[0].style, 16);
        QCOMPARE(messages.shown[0].title, QStringLiteral("Error."));
        QCOMPARE(text(&w, "TotalCapacity"), QStringLiteral(" 17,592,186,044,416 Bytes     17,179,869,184 Kb"));
        QCOMPARE(w.driveList()->mountPoint(), QByteArray("/gone"));

        // Too small for a bar unit of a byte: the bar keeps its width, the rest is refreshed.
        pickDrive(w.driveList(), "/tiny");
        QCOMPARE(text(&w, "USpace"), QStringLiteral(" 1,023 Bytes     0 Kb"));
        QCOMPARE(flood->width(), fullWidth);
        QVERIFY(flood->isVisible());

        // Nothing used: no bar.
        pickDrive(w.driveList(), "/empty");
        QVERIFY(!flood->isVisible());
        QCOMPARE(text(&w, "Percentage"), QStringLiteral("0% used space"));
        QCOMPARE(messages.shown.size(), 1);

        QTest::mouseClick(child<QPushButton>(&w, "CloseButton"), Qt::LeftButton);
        QVERIFY(!w.isVisible());
    }

    void diskSpaceFiguresAreWholeAndLevelWithTheirCaptions()
    {
        FakeDiskGeometry geometry;
        geometry.volumes.insert("/big", sixteenTerabytes());
        geometry.volumes.insert("/huge", DiskGeometry{4096, 1, 1ull << 50, 1ull << 51}); // 8 EiB
        AppState program;
        FakeHost host(program);
        DiskSpaceWindow w(host, geometry);
        w.driveList()->setDrives({{"/big", "big"}, {"/huge", "huge"}}, "/huge");
        w.onOpened();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const std::pair<const char*, const char*> pairs[] = {{"Dummy1", "TotalCapacity"}, {"Dummy2", "FSpace"},
                                                             {"Dummy3", "USpace"},        {"Dummy4", "BPSector"},
                                                             {"Dummy5", "SPCluster"},     {"Dummy6", "TCluster"}};
        for (const char* drive : {"/huge", "/big"}) {
            pickDrive(w.driveList(), drive);
            for (const auto& [caption, value] : pairs) {
                // Inside its box and inside the window, which some boxes were designed to pass.
                const QLabel* figure = child<QLabel>(&w, value);
                const int room = std::min(figure->contentsRect().width(), w.width() - figure->x());
                QVERIFY2(QFontMetricsF(figure->font()).horizontalAdvance(figure->text()) <= room, value);
            }
        }
        // The first row of dark pixels of a figure and of its caption: level, within the one pixel
        // the designed positions differ by.
        const QImage shot = w.grab().toImage();
        auto inkTop = [&](const char* name) {
            const QRect r = child<QLabel>(&w, name)->geometry();
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    if (qGray(shot.pixel(x, y)) < 96)
                        return y;
            return -1;
        };
        for (const auto& [caption, value] : pairs)
            QVERIFY2(std::abs(inkTop(value) - inkTop(caption)) <= 1, value);
    }

    void overhangOpensIdle()
    {
        AppState program;
        FakeHost host(program);
        FakeDiskGeometry geometry;
        ClusterOverhangWindow w(host, geometry);
        w.onOpened();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.driveText(), currentDrive());
        QVERIFY(geometry.queries.isEmpty()); // nothing is asked before the user picks or starts
        QVERIFY(centred(&w));
        QVERIFY(w.isModal());
        QCOMPARE(w.surface()->printCount(), 0);
    }

    void overhangDriveThatCannotBeReachedIsPutBack()
    {
        ScriptedMessages messages;
        AppState program;
        FakeHost host(program);
        FakeDiskGeometry geometry;
        geometry.volumes.insert("/a", DiskGeometry{512, 8, 1, 2});
        geometry.volumes.insert("/c", DiskGeometry{512, 8, 1, 2});
        ClusterOverhangWindow w(host, geometry);
        w.driveList()->setDrives({{"/a", "a"}, {"/b", "b"}, {"/c", "c"}}, "/a");
        w.onOpened();
        w.show();

        pickDrive(w.driveList(), "/b");
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("The drive specified could not be accessed.")});
        QCOMPARE(messages.shown[0].style, 16);
        QCOMPARE(messages.shown[0].title, QStringLiteral("Error"));
        QCOMPARE(w.driveList()->mountPoint(), QByteArray("/a"));
        QCOMPARE(w.driveText(), QByteArray("/a"));

        pickDrive(w.driveList(), "/c");
        QCOMPARE(w.driveText(), QByteArray("/c"));
        QCOMPARE(messages.shown.size(), 1);
    }

    void overhangSearchAgreesWithFind()
    {
        TreeFixture tree({"a.txt:1", "b.bin:4097", "c.bin:8192", "empty", "sub/d.txt:100", "sub/deeper/e.bin:5000",
                          ".hidden/f.txt:10", ".g:20", "twin => b.bin", "link -> a.txt", "sparse.bin:~50000",
                          ".Trash-1000/files/x.bin:9999", "sub/more/"});
        tree.makeWide("many", 150);
        OverhangHarness h(tree);
        bool workingShown = false;
        h.duringTheWalk([&] { workingShown = child<QLabel>(&h.window, "WorkingLabel")->isVisible(); });
        h.start();

        const FindFigures expected = findFigures(tree.root(), tree.path(".Trash-1000"), 4096);
        QCOMPARE(expected.files, 150u + 11u); // the fixture is what this test thinks it is
        QVERIFY(workingShown);
        QCOMPARE(h.printed(ClusterOverhangWindow::kFilesX, ClusterOverhangWindow::kFilesY),
                 filesScannedText(expected.files));
        QCOMPARE(h.printed(ClusterOverhangWindow::kSizesX, ClusterOverhangWindow::kSizesY),
                 kilobytesText(expected.sizes));
        QCOMPARE(h.printed(ClusterOverhangWindow::kUsedX, ClusterOverhangWindow::kUsedY), kilobytesText(expected.used));
        QCOMPARE(h.printed(ClusterOverhangWindow::kClusterX, ClusterOverhangWindow::kClusterY),
                 QStringLiteral("4,096  Bytes"));
        QCOMPARE(h.printed(ClusterOverhangWindow::kWastedX, ClusterOverhangWindow::kWastedY),
                 kilobytesText(expected.used - expected.sizes));
        QCOMPARE(h.window.tally().totalFileSizes(), expected.sizes);
        QCOMPARE(h.window.tally().actualSpaceUsed(), expected.used);

        const WastedShare share = wastedShare(expected.sizes, expected.used);
        QCOMPARE(text(&h.window, "ShowPercent"), wastedPercentText(share.wastedPercent));
        QCOMPARE(child<QLabel>(&h.window, "Percentage")->width(), tw(qRound(share.barTwips())));
        for (const char* shown :
             {"Label3_0", "Label4_0", "Label3_1", "Label4_6", "Label4_5", "DummyFlood", "Percentage", "ShowPercent"})
            QVERIFY2(child<QWidget>(&h.window, shown)->isVisible(), shown);
        QVERIFY(!child<QLabel>(&h.window, "WorkingLabel")->isVisible());
        QCOMPARE(h.button("CancelButton")->text(), QStringLiteral("&Done"));
        QVERIFY(!h.button("StartButton")->isEnabled());
        QVERIFY(!h.window.driveList()->isEnabled());
        QCOMPARE(h.program.SearchState, SearchState::Ended);
        QCOMPARE(h.host.run().FilesMatched, 0);
        QCOMPARE(h.host.statuses.last(), QStringLiteral("Done."));
        QVERIFY(h.host.flood.endsWith(QString(12, QChar(0x2592))));
        QVERIFY(h.messages.shown.isEmpty());

        // Done: the window closes without a question.
        QTest::mouseClick(h.button("CancelButton"), Qt::LeftButton);
        QVERIFY(!h.window.isVisible());
        QVERIFY(h.messages.shown.isEmpty());
    }

    void overhangCancelDuringTheSearch()
    {
        TreeFixture tree;
        tree.makeWide("many", 400);
        const FindFigures all = findFigures(tree.root(), tree.path(".none"), 4096);
        for (const int answer : {AnswerNo, AnswerYes}) {
            OverhangHarness h(tree);
            h.messages.answer(answer);
            h.duringTheWalk([&] { QTest::mouseClick(h.button("CancelButton"), Qt::LeftButton); });
            h.start();

            QCOMPARE(h.messages.shown.size(), 1);
            QCOMPARE(h.messages.shown[0].text, QStringLiteral("Do you really want to cancel the search?"));
            QCOMPARE(h.messages.shown[0].style, 36);
            QCOMPARE(h.messages.shown[0].title, QStringLiteral("Brisvane!"));
            const std::uint64_t accounted = h.window.tally().actualSpaceUsed() / 4096;
            if (answer == AnswerNo)
                QCOMPARE(accounted, all.files);
            else
                QVERIFY(accounted < all.files);
            // Either way the closing steps show the figures of every file accounted.
            QCOMPARE(h.printed(ClusterOverhangWindow::kFilesX, ClusterOverhangWindow::kFilesY),
                     filesScannedText(accounted));
            QCOMPARE(h.printed(ClusterOverhangWindow::kUsedX, ClusterOverhangWindow::kUsedY),
                     kilobytesText(accounted * 4096));
            QCOMPARE(h.button("CancelButton")->text(), QStringLiteral("&Done"));
            QVERIFY(h.window.isVisible());
        }
    }

    void overhangClosedDuringTheSearch()
    {
        TreeFixture tree;
        tree.makeWide("many", 400);
        OverhangHarness h(tree);
        h.messages.answer(AnswerNo);
        h.messages.answer(AnswerYes);
        bool stayedOpen = false;
        h.duringTheWalk([&] {
            h.window.close(); // No: the search goes on
            stayedOpen = h.window.isVisible() && !h.program.StopRequested;
            h.duringTheWalk([&] { h.window.close(); }); // Yes
        });
        h.start();

        QVERIFY(stayedOpen);
        QCOMPARE(h.messages.texts(),
                 QStringList(2, QStringLiteral("A search is currently in progress. Do you wish to cancel it?")));
        QVERIFY(!h.window.isVisible());
        QVERIFY(h.window.tally().actualSpaceUsed() < 400u * 4096);
        QCOMPARE(h.program.SearchState, SearchState::Ended);
    }

    void overhangStartOnADriveThatDoesNotAnswer()
    {
        TreeFixture tree({"a.txt:1"});
        OverhangHarness h(tree);
        h.geometry.volumes.clear();
        h.start();
        QCOMPARE(h.messages.texts(),
                 QStringList{QStringLiteral("You do not have enough available memory to use this function. If other "
                                            "windows are currently open, close them and try again")});
        QCOMPARE(h.messages.shown[0].style, 48);
        QVERIFY(h.host.statuses.isEmpty()); // nothing was walked
        QCOMPARE(h.program.SearchState, SearchState::Idle);
        QVERIFY(h.button("StartButton")->isEnabled());
        QVERIFY(h.window.driveList()->isEnabled());
        QCOMPARE(h.window.surface()->printCount(), 0);
    }

    void overhangMouseFeedback()
    {
        AppState program;
        FakeHost host(program);
        FakeDiskGeometry geometry;
        ClusterOverhangWindow w(host, geometry);
        w.onOpened();
        w.show();
        program.SearchState = SearchState::Running;
        moveMouseOver(w.surface());
        QCOMPARE(screenPointer(), 11);
        moveMouseOver(child<QWidget>(&w, "CancelButton"));
        QCOMPARE(screenPointer(), 1);
        moveMouseOver(w.surface());
        QCOMPARE(screenPointer(), 11);
        program.SearchState = SearchState::Ended;
        moveMouseOver(w.surface());
        QCOMPARE(screenPointer(), 1);
    }
};

QTEST_MAIN(DiskWindowsTest)
#include "disk_windows_test.moc"
