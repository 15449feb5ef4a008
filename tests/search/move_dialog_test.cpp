// SPDX-License-Identifier: GPL-3.0-or-later
// The move-to dialog opened from the verification window: moves within and across file
// systems with their log lines, a taken name refused without overwriting, Cancel and a failed
// move both bringing the same file back, a file that changed since it was listed left alone.
#include "platform/fileops.h"
#include "platform/ui/inputguard.h"
#include "common/ui/dirlist.h"
#include "common/ui/drivelist.h"
#include "common/ui/moveform.h"
#include "tests/search/verify_test_support.h"
#include "tests/support/recording_fileops.h"

#include <QTest>

using namespace bv;
using namespace bv::test;

class MoveDialogTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<VerifyFixture> f;

    static MoveForm* openMoveForm() { return qobject_cast<MoveForm*>(QApplication::activeModalWidget()); }

    // In the verification window: Move, then in the dialog pick dest and press the button;
    // then `after` runs back in the verification window (which may still be open).
    void moveVia(const QByteArray& dest, const char* dialogButton, std::function<void()> after = {})
    {
        whenModal([=, this] {
            whenModal([=] {
                MoveForm* dialog = openMoveForm();
                QVERIFY(dialog);
                QCOMPARE(dialog->windowTitle(), QStringLiteral("Move To..."));
                QVERIFY(dialog->folderList()->setPath(dest));
                clickButton(dialog, dialogButton);
            });
            clickButton(f->window, "MoveButton");
            QVERIFY(!openMoveForm()); // the dialog is gone in every case
            if (after)
                after();
        });
    }

private Q_SLOTS:
    void init() { f = std::make_unique<VerifyFixture>(); }
    void cleanup() { f.reset(); }

    void moves_data()
    {
        QTest::addColumn<bool>("across");
        QTest::newRow("same file system") << false;
        QTest::newRow("another file system") << true;
    }

    void moves()
    {
        QFETCH(bool, across);
        std::unique_ptr<QTemporaryDir> shm;
        QByteArray dest = f->work() + "/keep";
        if (across) {
            struct stat a
            {
            }, b{};
            if (::stat(f->work().constData(), &a) != 0 || ::stat("/dev/shm", &b) != 0 || a.st_dev == b.st_dev)
                QSKIP("no second file system (/dev/shm) here");
            shm = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/bv-move-XXXXXX"));
            dest = QFile::encodeName(shm->path());
        } else {
            QCOMPARE(::mkdir(dest.constData(), 0755), 0);
        }
        const QByteArray path = f->file("a.tmp", "to keep");
        const timespec times[2] = {{1500000000, 0}, {1600000000, 123456000}};
        QCOMPARE(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
        const VerifyItem item = f->item(path, true);
        f->run().FilesRemoved = 4;

        moveVia(dest, "OkButton");
        QCOMPARE(f->verify(item), decided::Moved);

        QVERIFY(!exists(path));
        QCOMPARE(readBytes(dest + "/a.tmp"), QByteArray("to keep"));
        const FileInfo moved = infoOf(dest + "/a.tmp");
        QCOMPARE(moved.mtime.tv_sec, times[1].tv_sec);
        QCOMPARE(moved.mtime.tv_nsec, times[1].tv_nsec);
        QCOMPARE(f->logLines(), VerifyFixture::logged(item, "ACTION: Moved (" + dest + ")"));
        QCOMPARE(f->run().FilesRemoved, std::int64_t(4)); // a move removes nothing
        QVERIFY(f->boxes.shown.isEmpty());
    }

    // A taken name is refused, nothing is overwritten or logged, and the same file comes back
    // for a decision.
    void aTakenNameIsRefusedAndTheFileComesBack()
    {
        const QByteArray dest = f->work() + "/keep";
        QCOMPARE(::mkdir(dest.constData(), 0755), 0);
        writeBytes(dest + "/a.tmp", "already there");
        const QByteArray path = f->file("a.tmp", "mine");
        const VerifyItem item = f->item(path, true);

        moveVia(dest, "OkButton", [this, path] {
            QVERIFY(f->window->isVisible());
            QCOMPARE(f->window->filePath(), path);
            QCOMPARE(f->logLines(), QList<QByteArray>{});
            clickButton(f->window, "IgnoreButton");
        });
        QCOMPARE(f->verify(item), decided::Ignored);
        QCOMPARE(f->boxes.shown.size(), 1);
        QCOMPARE(f->boxes.shown[0].text, QStringLiteral("Could not move this file."));
        QCOMPARE(f->boxes.shown[0].style, 16);
        QCOMPARE(readBytes(dest + "/a.tmp"), QByteArray("already there"));
        QCOMPARE(readBytes(path), QByteArray("mine"));
        QCOMPARE(f->logLines(), VerifyFixture::logged(item, "ACTION: Ignore"));
    }

    // A file gone by the time the user presses OK is recorded and passed over, not offered again.
    void aFileGoneBeforeTheMoveIsPassedOver()
    {
        const QByteArray dest = f->work() + "/keep";
        QCOMPARE(::mkdir(dest.constData(), 0755), 0);
        const QByteArray path = f->file("c.tmp");
        const VerifyItem item = f->item(path, true);
        QCOMPARE(::unlink(path.constData()), 0);
        moveVia(dest, "OkButton");
        QCOMPARE(f->verify(item), decided::move(ActOutcome::Vanished));
        QCOMPARE(f->logLines(), VerifyFixture::logged(item, "ACTION: Skipped - File No Longer Exists"));
        QVERIFY(f->boxes.shown.isEmpty());
    }

    void cancelBringsTheSameFileBack()
    {
        const QByteArray path = f->file("b.tmp");
        const VerifyItem item = f->item(path, false);
        RecordingFileOps ops;
        moveVia(f->work(), "CancelButton", [this, path] {
            QVERIFY(f->window->isVisible());
            QCOMPARE(f->window->filePath(), path);
            clickButton(f->window, "DeleteButton");
        });
        QCOMPARE(f->verify(item), decided::Removed);
        QCOMPARE(ops.ops(), QList<QByteArray>{"remove"});
        QCOMPARE(f->logLines(), VerifyFixture::logged(item, "ACTION: Delete"));
        QVERIFY(f->boxes.shown.isEmpty());
    }

    void aFileThatChangedIsNotMoved()
    {
        const QByteArray dest = f->work() + "/keep";
        QCOMPARE(::mkdir(dest.constData(), 0755), 0);
        const QByteArray path = f->file("c.tmp", "one");
        const VerifyItem item = f->item(path, true);
        writeBytes(path, "one and more");
        moveVia(dest, "OkButton");
        QCOMPARE(f->verify(item), decided::move(ActOutcome::Changed));
        QVERIFY(exists(path));
        QVERIFY(!exists(dest + "/c.tmp"));
        QCOMPARE(f->logLines(), VerifyFixture::logged(item, "ACTION: Skipped - File Changed Since It Was Listed"));
        QCOMPARE(f->boxes.shown.size(), 1);
    }

    void anUnreadableDriveIsToldAndTheDriveGoesBack()
    {
        MoveForm dialog(*f->host, f->window);
        dialog.driveList()->setDrives(
            {{"/", QStringLiteral("root")}, {"/nonexistent-bv-drive", QStringLiteral("gone")}}, "/");
        const QByteArray before = dialog.folderList()->path();
        dialog.onDriveListFocused();
        dialog.driveList()->setCurrentIndex(1);
        dialog.onDriveChanged("/nonexistent-bv-drive");
        QCOMPARE(f->boxes.texts(), QStringList{QStringLiteral("Drive is unavailable.")});
        QCOMPARE(f->boxes.shown[0].style, 16);
        QCOMPARE(dialog.driveList()->mountPoint(), QByteArray("/"));
        QCOMPARE(dialog.folderList()->path(), before);
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir xdg;
    if (!xdg.isValid())
        return 1;
    isolateViewerDesktop(xdg.path());
    QApplication app(argc, argv);
    InputGuard::setQuietMsForTests(0); // buttons are pressed the moment a window is up
    MoveDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "move_dialog_test.moc"
