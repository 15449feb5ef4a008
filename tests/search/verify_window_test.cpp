// SPDX-License-Identifier: GPL-3.0-or-later
// The verification window, driven headless in an isolated desktop: every way out of the window
// (its buttons and its close box) with the exact log lines and counters, Explore with a real
// default application and the access time put back to the nanosecond, and the failures that
// must never lose a file or its record.
#include "platform/fileops.h"
#include "platform/twips.h"
#include "platform/ui/inputguard.h"
#include "search/ui/filesearchframe.h"
#include "tests/search/verify_test_support.h"
#include "tests/support/recording_fileops.h"

#include <QLabel>
#include <QPixmap>
#include <QTest>

#include <sys/statfs.h>

using namespace bv;
using namespace bv::test;

Q_DECLARE_METATYPE(bv::FileDecision)

class VerifyWindowTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<VerifyFixture> f;

    // Shows the item and presses the named button (or the close box) once it is up.
    FileDecision decide(const VerifyItem& item, const char* button)
    {
        whenModal([this, button] {
            QVERIFY(f->window->isVisible());
            if (qstrcmp(button, "close") == 0)
                f->window->close();
            else
                clickButton(f->window, button);
        });
        return f->verify(item);
    }

private Q_SLOTS:
    void init() { f = std::make_unique<VerifyFixture>(); }
    void cleanup()
    {
        f.reset();
        InputGuard::setClockForTests(nullptr);
        InputGuard::setQuietMsForTests(0);
    }

    void decisions_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<bool>("recycle");
        QTest::addColumn<QByteArray>("action");
        QTest::addColumn<bool>("removed");
        QTest::addColumn<FileDecision>("decision");
        QTest::newRow("ignore") << QByteArray("IgnoreButton") << true << QByteArray("ACTION: Ignore") << false
                                << decided::Ignored;
        QTest::newRow("close box") << QByteArray("close") << true << QByteArray("ACTION: Ignore") << false
                                   << decided::Closed;
        QTest::newRow("delete to trash") << QByteArray("DeleteButton") << true << QByteArray("ACTION: Recycle Bin")
                                         << true << decided::Removed;
        QTest::newRow("delete for good") << QByteArray("DeleteButton") << false << QByteArray("ACTION: Delete") << true
                                         << decided::Removed;
    }

    void decisions()
    {
        QFETCH(QByteArray, button);
        QFETCH(bool, recycle);
        QFETCH(QByteArray, action);
        QFETCH(bool, removed);
        QFETCH(FileDecision, decision);

        f->run().BytesReclaimed = 100;
        f->run().FilesRemoved = 2;
        const QByteArray name = "report " + QByteArray(QTest::currentDataTag()).replace(' ', '-') + ".txt";
        const QByteArray path = f->file(name, "twelve bytes");
        const VerifyItem item = f->item(path, recycle);

        QCOMPARE(decide(item, button.constData()), decision);
        QVERIFY(!f->window->isVisible());
        QCOMPARE(f->logLines(), VerifyFixture::logged(item, action));
        QCOMPARE(exists(path), !removed);
        QCOMPARE(f->run().BytesReclaimed, std::int64_t(removed ? 112 : 100));
        QCOMPARE(f->run().FilesRemoved, std::int64_t(removed ? 3 : 2));
        QVERIFY(f->boxes.shown.isEmpty());
        // The counters are reprinted on the search panel.
        QCOMPARE(f->panel->printedAt(2260, 4640), removed ? QStringLiteral(" 3 ") : QStringLiteral(" 2 "));
        if (removed && recycle) {
            QVERIFY(exists(trashFolder() + "/files/" + name));
            const QByteArray record = readBytes(trashFolder() + "/info/" + name + ".trashinfo");
            QVERIFY2(record.contains("Path=" + path.toPercentEncoding("/") + "\n"), record.constData());
        }
    }

    void showsTheFileAsTheSearchDescribedIt()
    {
        // A name that is not UTF-8 and one with a newline: the label shows text, the log the bytes
        // (escaped by the log), and the window keeps the exact path to act on.
        const QByteArray path = f->file(QByteArray("caf\xe9\nACTION: Delete.txt"));
        VerifyItem item = f->item(path, false);
        f->load(item);
        auto label = [this](const char* name) { return f->window->findChild<QLabel*>(QString::fromLatin1(name)); };
        QVERIFY(!label("FileName")->text().contains(QLatin1Char('\n')));
        QCOMPARE(label("FileAttribute")->text(), QStringLiteral("...It's An Archive & Read-Only File"));
        QCOMPARE(label("LastUsedLabel")->text(), item.lastUsedText);
        QCOMPARE(label("LastAccessDate")->text(), QStringLiteral("1/2/2020"));
        QCOMPARE(label("FileType")->text().isEmpty(), false);
        QVERIFY(!label("IconMan")->pixmap().isNull());
        QCOMPARE(f->window->filePath(), path);

        QCOMPARE(decide(item, "DeleteButton"), decided::Removed);
        QVERIFY(!exists(path));
        const QList<QByteArray> lines = f->logLines();
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines[0], f->work() + QByteArray("/caf\\xE9\\x0AACTION: Delete.txt"));
        QCOMPARE(lines[3], QByteArray("...It's An Archive && Read-Only File"));
        QCOMPARE(lines[4], QByteArray("ACTION: Delete"));
    }

    // Explore opens the file with its application, which makes it look used; leaving it in
    // place puts the access time back exactly, and the modification time is never touched.
    void exploreThenLeaveRestoresTheAccessTime_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::newRow("ignore") << QByteArray("IgnoreButton");
        QTest::newRow("close box") << QByteArray("close");
        QTest::newRow("abort") << QByteArray("AbortButton");
    }

    void exploreThenLeaveRestoresTheAccessTime()
    {
        QFETCH(QByteArray, button);
        const QByteArray path = f->file("notes.txt");
        const timespec atime{1577934245, 123456789};
        const timespec mtime{1546300800, 987654321};
        const timespec times[2] = {atime, mtime};
        QCOMPARE(::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW), 0);
        const VerifyItem item = f->item(path, true);
        QFile::remove(QFile::decodeName(openedMarker()));
        f->boxes.answer(AnswerNo); // Abort's question: go on with the search

        whenModal([&] {
            clickButton(f->window, "ExploreButton");
            QVERIFY(f->window->opened());
            QTRY_VERIFY_WITH_TIMEOUT(exists(openedMarker()), 10000);
            QVERIFY(infoOf(path).atime.tv_sec != atime.tv_sec); // the viewer did use it
            if (button == "close")
                f->window->close();
            else
                clickButton(f->window, button.constData());
        });
        f->verify(item);

        const FileInfo after = infoOf(path);
        QCOMPARE(after.atime.tv_sec, atime.tv_sec);
        QCOMPARE(after.atime.tv_nsec, atime.tv_nsec);
        QCOMPARE(after.mtime.tv_sec, mtime.tv_sec);
        QCOMPARE(after.mtime.tv_nsec, mtime.tv_nsec);
        QVERIFY(!f->window->opened());
        if (button == "AbortButton") {
            // No block for the aborted file; the search asks before it stops.
            QCOMPARE(f->logLines(), QList<QByteArray>{});
            QCOMPARE(f->boxes.texts(), QStringList{QStringLiteral("Do you really want to cancel the search?")});
        }
    }

    // A file that was looked at and then could not be removed stays: it must not look used.
    // A file looked at and then kept, because the system refused its removal or because the
    // log could not take its record, gets its access time back.
    void exploreThenAKeptFileGetsItsAccessTimeBack_data()
    {
        QTest::addColumn<bool>("logFails");
        QTest::newRow("removal refused") << false;
        QTest::newRow("log cannot be written") << true;
    }
    void exploreThenAKeptFileGetsItsAccessTimeBack()
    {
        QFETCH(bool, logFails);
        const QByteArray path = f->file("kept.txt");
        const timespec times[2] = {{1577934245, 42}, {1546300800, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
        const VerifyItem item = f->item(path, false);
        QFile::remove(QFile::decodeName(openedMarker()));
        RecordingFileOps ops;
        ops.failRemove = ActResult{ActOutcome::Refused, QStringLiteral("Operation not permitted")};
        whenModal([&] {
            clickButton(f->window, "ExploreButton");
            QTRY_VERIFY_WITH_TIMEOUT(exists(openedMarker()), 10000);
            if (logFails) {
                f->state.Log.close();
                QVERIFY(f->state.Log.open("/dev/full"));
            }
            clickButton(f->window, "DeleteButton");
        });
        QCOMPARE(f->verify(item), logFails ? decided::RemovalNotLogged : decided::removal(ActOutcome::Refused));
        QVERIFY(exists(path));
        QCOMPARE(infoOf(path).atime.tv_sec, times[0].tv_sec);
        QCOMPARE(infoOf(path).atime.tv_nsec, times[0].tv_nsec);
    }

    void aFileWithoutApplicationSaysSoUntilTheNextDecision()
    {
        // Binary contents: no type any application here is registered for.
        const QByteArray path = f->file("blob.bvnoapp", QByteArray("\x00\x01\x02\xff", 4));
        const VerifyItem item = f->item(path, true);
        whenModal([&] {
            clickButton(f->window, "ExploreButton");
            QVERIFY(f->window->findChild<QLabel*>(QStringLiteral("AssociationLabel"))->isVisible());
            QVERIFY(!f->window->findChild<QPushButton*>(QStringLiteral("ExploreButton"))->isEnabled());
            QVERIFY(!f->window->opened());
            clickButton(f->window, "IgnoreButton");
        });
        QCOMPARE(f->verify(item), decided::Ignored);
        QVERIFY(f->window->findChild<QPushButton*>(QStringLiteral("ExploreButton"))->isEnabled());
        QVERIFY(f->window->findChild<QLabel*>(QStringLiteral("AssociationLabel"))->isHidden());
    }

    // A removal that does not happen is told, logged once, never counted, and the file stays.
    void refusedRemovals_data()
    {
        QTest::addColumn<bool>("recycle");
        QTest::addColumn<int>("failure"); // 0 trash refused, 1 unlink refused, 2 tmpfs (no trash)
        QTest::addColumn<QByteArray>("action");
        QTest::newRow("trash refused") << true << 0 << QByteArray("ACTION: Recycle Bin - Action Denied");
        QTest::newRow("unlink refused") << false << 1 << QByteArray("ACTION: Delete - Action Denied");
        QTest::newRow("volume without trash") << true << 2 << QByteArray("ACTION: Recycle Bin - Action Denied");
    }

    void refusedRemovals()
    {
        QFETCH(bool, recycle);
        QFETCH(int, failure);
        QFETCH(QByteArray, action);

        std::unique_ptr<QTemporaryDir> shm;
        QByteArray path;
        if (failure == 2) {
            struct statfs sf
            {
            };
            if (::statfs("/dev/shm", &sf) != 0 || sf.f_type != 0x01021994)
                QSKIP("no tmpfs at /dev/shm here");
            shm = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/bv-verify-XXXXXX"));
            path = QFile::encodeName(shm->path()) + "/cache.txt";
            writeBytes(path, "data");
        } else {
            path = f->file("locked.txt", "data");
        }
        const VerifyItem item = f->item(path, recycle);
        RecordingFileOps ops;
        if (failure == 0)
            ops.failTrash = ActResult{ActOutcome::Refused, QStringLiteral("Permission denied")};
        if (failure == 1)
            ops.failRemove = ActResult{ActOutcome::Refused, QStringLiteral("Permission denied")};

        QCOMPARE(decide(item, "DeleteButton"),
                 decided::removal(failure == 2 ? ActOutcome::NotSupported : ActOutcome::Refused));
        QCOMPARE(f->logLines(), VerifyFixture::logged(item, action));
        QCOMPARE(f->boxes.shown.size(), 1);
        QCOMPARE(f->boxes.shown[0].text, QStringLiteral("Access was denied."));
        QCOMPARE(f->boxes.shown[0].style, 48);
        QCOMPARE(f->boxes.shown[0].title, QStringLiteral("Brisvane!"));
        QCOMPARE(f->run().FilesRemoved, std::int64_t(0));
        QCOMPARE(f->run().BytesReclaimed, std::int64_t(0));
        QVERIFY(exists(path));
        QVERIFY(!ops.ops().contains("remove") || failure == 1); // a refused trash never becomes a deletion
    }

    void aFileGoneBeforeTheDecisionIsRecordedAndPassedOver()
    {
        const QByteArray path = f->file("gone.txt", "data");
        const VerifyItem item = f->item(path, false);
        QCOMPARE(::unlink(path.constData()), 0);
        QCOMPARE(decide(item, "DeleteButton"), decided::removal(ActOutcome::Vanished));
        QCOMPARE(f->logLines(), VerifyFixture::logged(item, "ACTION: Skipped - File No Longer Exists"));
        QVERIFY(f->boxes.shown.isEmpty());
        QCOMPARE(f->run().FilesRemoved, std::int64_t(0));
    }

    void aFileThatChangedSinceItWasListedIsLeftAlone()
    {
        const QByteArray path = f->file("growing.log", "short");
        const VerifyItem item = f->item(path, false);
        writeBytes(path, "a good deal longer now");
        RecordingFileOps ops;
        QCOMPARE(decide(item, "DeleteButton"), decided::removal(ActOutcome::Changed));
        QVERIFY(ops.calls.isEmpty());
        QCOMPARE(readBytes(path), QByteArray("a good deal longer now"));
        QCOMPARE(f->logLines(), VerifyFixture::logged(item, "ACTION: Skipped - File Changed Since It Was Listed"));
        QCOMPARE(f->boxes.shown.size(), 1);
        QCOMPARE(f->run().FilesRemoved, std::int64_t(0));
    }

    // A log that cannot take a line: nothing is removed, the search is told to stop and the
    // user hears of it once however many files follow.
    void aLogThatCannotBeWrittenStopsTheRemovals()
    {
        f->state.Log.close();
        QVERIFY(f->state.Log.open("/dev/full"));
        const QByteArray a = f->file("a.tmp");
        const QByteArray b = f->file("b.tmp");
        RecordingFileOps ops;
        QCOMPARE(decide(f->item(a, true), "DeleteButton"), decided::RemovalNotLogged);
        QVERIFY(f->state.StopRequested);
        QCOMPARE(decide(f->item(b, false), "DeleteButton"), decided::RemovalNotLogged);
        QVERIFY(exists(a));
        QVERIFY(exists(b));
        QVERIFY(ops.calls.isEmpty());
        QCOMPARE(f->boxes.shown.size(), 1);
        QCOMPARE(f->boxes.shown[0].style, 16);
        QCOMPARE(f->run().FilesRemoved, std::int64_t(0));
    }

    // The window is back for the next file at once, where it was: the rest of a double-click
    // on Delete and the repeats of Alt+D held since the last file must not decide about a file
    // the user has not seen. A deliberate press once it could be seen does.
    void inputBeforeTheNextFileCouldBeSeenDoesNotActOnIt()
    {
        static std::int64_t now = 0;
        InputGuard::setClockForTests([] { return now; });
        InputGuard::setQuietMsForTests(-1);
        const VerifyItem f1 = f->item(f->file("f1.txt"), false);
        const VerifyItem f2 = f->item(f->file("f2.txt"), false);
        whenModal([&] {
            now += InputGuard::kQuietMs;
            f->window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(f->window));
            QTest::keyClick(f->window->focusWidget(), Qt::Key_D, Qt::AltModifier);
        });
        QCOMPARE(f->verify(f1), decided::Removed);

        whenModal([&] {
            // X repeats a held key as a release and a press with one timestamp.
            const auto altDRepeats = [this](ulong at) {
                QWidget* focus = f->window->focusWidget();
                QKeyEvent release(QEvent::KeyRelease, Qt::Key_D, Qt::AltModifier, QStringLiteral("d"));
                release.setTimestamp(at);
                QApplication::sendEvent(focus, &release);
                if (!qt_sendShortcutOverrideEvent(focus, at, Qt::Key_D, Qt::AltModifier, QStringLiteral("d"))) {
                    QKeyEvent press(QEvent::KeyPress, Qt::Key_D, Qt::AltModifier, QStringLiteral("d"));
                    press.setTimestamp(at);
                    QApplication::sendEvent(focus, &press);
                }
            };
            clickButton(f->window, "DeleteButton");
            QTest::mouseDClick(f->window->findChild<QPushButton*>(QStringLiteral("DeleteButton")), Qt::LeftButton);
            QVERIFY(exists(f2.path));
            f->window->activateWindow(); // a mnemonic acts in the active window only
            QVERIFY(QTest::qWaitForWindowActive(f->window));
            altDRepeats(1000);
            now += InputGuard::kQuietMs;
            for (ulong at = 1033; at < 3000; at += 33)
                altDRepeats(at);
            QTest::qWait(150); // a mnemonic clicks its button a moment later
            QVERIFY(exists(f2.path));
            QVERIFY(f->window->isVisible());
            QTest::keyClick(f->window->focusWidget(), Qt::Key_D, Qt::AltModifier); // released, pressed again
        });
        QCOMPARE(f->verify(f2), decided::Removed);
        QCOMPARE(f->logLines(),
                 VerifyFixture::logged(f1, "ACTION: Delete") + VerifyFixture::logged(f2, "ACTION: Delete"));
    }

    // The glass circles in twips; rounding each step to pixels would make it drift away.
    void theMagnifierStaysOnItsTrack()
    {
        QLabel* glass = f->window->findChild<QLabel*>(QStringLiteral("Glass"));
        QVERIFY(glass);
        QSet<QPoint> corners;
        for (int i = 0; i < 400; ++i) {
            f->window->onMagnifierTick();
            QVERIFY2(glass->x() >= 0 && glass->x() <= tw(260), qPrintable(QString::number(glass->x())));
            QVERIFY2(glass->y() >= tw(410) && glass->y() <= tw(735), qPrintable(QString::number(glass->y())));
            if ((glass->x() == 0 || glass->x() == tw(260)) && (glass->y() == tw(410) || glass->y() == tw(735)))
                corners.insert(glass->pos());
        }
        QCOMPARE(corners.size(), 4);
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir xdg;
    if (!xdg.isValid())
        return 1;
    isolateViewerDesktop(xdg.path());
    QApplication app(argc, argv);
    // The buttons are pressed the moment the window is up (one case checks the wait itself).
    InputGuard::setQuietMsForTests(0);
    VerifyWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "verify_window_test.moc"
