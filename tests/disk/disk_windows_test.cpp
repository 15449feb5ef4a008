// The Disk Space and Cluster Overhang windows offscreen, over volumes a fake geometry source
// makes up and fixture trees presented as drives.
#include "app/appstate.h"
#include "app/ui/printsurface.h"
#include "disk/ui/diskspace.h"
#include "disk/ui/overhangform.h"
#include "platform/twips.h"
#include "platform/ui/messagebox_qt.h"
#include "platform/volumes.h"
#include "search/ui/drivelist.h"
#include "tests/disk/fake_disk_geometry.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/tree_fixture.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>

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

QWidget* nextTabStop(QWidget* w)
{
    for (QWidget* next = w->nextInFocusChain(); next != w; next = next->nextInFocusChain())
        if ((next->focusPolicy() & Qt::TabFocus) && next->isVisible())
            return next;
    return w;
}

void moveMouseOver(QWidget* w)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

} // namespace

class DiskWindowsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void diskSpaceOpensOnTheCurrentDriveWithTrueFigures()
    {
        FakeDiskGeometry geometry;
        geometry.volumes.insert(currentDrive(), sixteenTerabytes());
        DiskSpace w(geometry);
        w.Form_Load();
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
        QCOMPARE(w.windowTitle(), QStringLiteral("Disk Space"));
        QCOMPARE(w.size(), twSize(5175, 2745));
    }

    void diskSpaceDriveChanges()
    {
        ScriptedMessages messages;
        FakeDiskGeometry geometry;
        geometry.volumes.insert("/big", sixteenTerabytes());
        geometry.volumes.insert("/empty", DiskGeometry{512, 8, 100, 100});
        geometry.volumes.insert("/tiny", DiskGeometry{1, 1, 977, 2000});
        DiskSpace w(geometry);
        w.driveList()->setDrives({{"/big", "big"}, {"/empty", "e"}, {"/tiny", "t"}, {"/gone", "g"}}, "/big");
        w.Form_Load();
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

    void overhangOpensIdle()
    {
        AppState state;
        FakeDiskGeometry geometry;
        OverHangForm w(state, geometry);
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.driveText(), currentDrive());
        QVERIFY(geometry.queries.isEmpty()); // nothing is asked before the user picks or starts
        QVERIFY(centred(&w));
        QCOMPARE(w.windowTitle(), QStringLiteral("Cluster Overhang Search"));
        QVERIFY(w.isModal());
        for (const char* hidden : {"Label3_0", "Label4_0", "Label3_1", "Label4_6", "Label4_5", "DummyFlood",
                                   "Percentage", "ShowPercent", "WorkingLabel"})
            QVERIFY2(!child<QWidget>(&w, hidden)->isVisible(), hidden);
        QCOMPARE(text(&w, "ShowPercent"), QStringLiteral("0% "));
        QCOMPARE(w.surface()->printCount(), 0);
        QCOMPARE(child<QPushButton>(&w, "CancelButton")->text(), QStringLiteral("&Cancel"));
        QCOMPARE(child<QPushButton>(&w, "StartButton")->text(), QStringLiteral("&Start"));
        // Tab order: drive list, Start, Cancel.
        QCOMPARE(nextTabStop(w.driveList()), child<QWidget>(&w, "StartButton"));
        QCOMPARE(nextTabStop(child<QWidget>(&w, "StartButton")), child<QWidget>(&w, "CancelButton"));
    }

    void overhangDriveThatCannotBeReachedIsPutBack()
    {
        ScriptedMessages messages;
        AppState state;
        FakeDiskGeometry geometry;
        geometry.volumes.insert("/a", DiskGeometry{512, 8, 1, 2});
        geometry.volumes.insert("/c", DiskGeometry{512, 8, 1, 2});
        OverHangForm w(state, geometry);
        w.driveList()->setDrives({{"/a", "a"}, {"/b", "b"}, {"/c", "c"}}, "/a");
        w.Form_Load();
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

    void overhangMouseFeedback()
    {
        AppState state;
        FakeDiskGeometry geometry;
        OverHangForm w(state, geometry);
        w.Form_Load();
        w.show();
        state.SearchState = SearchRunning;
        moveMouseOver(w.surface());
        QCOMPARE(screenPointer(), 11);
        moveMouseOver(child<QWidget>(&w, "CancelButton"));
        QCOMPARE(screenPointer(), 1);
        moveMouseOver(w.surface());
        QCOMPARE(screenPointer(), 11);
        state.SearchState = SearchEnded;
        moveMouseOver(w.surface());
        QCOMPARE(screenPointer(), 1);
    }
};

QTEST_MAIN(DiskWindowsTest)
#include "disk_windows_test.moc"
