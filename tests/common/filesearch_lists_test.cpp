// SPDX-License-Identifier: GPL-3.0-or-later
// The reusable drive and folder lists: rows keep native bytes, one click opens a folder, and a
// folder that cannot be listed leaves the list where it was.
#include "common/ui/dirlist.h"
#include "common/ui/drivelist.h"
#include "tests/support/tree_fixture.h"

#include <QSignalSpy>
#include <QTest>

using bv::DirList;
using bv::DriveEntry;
using bv::DriveList;
using bv::test::TreeFixture;

class FileSearchListsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void dirListShowsAncestorsThenSubfolders()
    {
        TreeFixture tree{"top/b/", "top/A/", "top/.cache/", "top/file.txt", "top/link -> b"};
        tree.makeFolder("top/" + TreeFixture::nonUtf8Name());
        DirList list;
        list.setRoot(tree.root());
        QVERIFY(list.setPath(tree.path("top") + "/")); // a trailing separator is dropped
        QCOMPARE(list.path(), tree.path("top"));

        QList<QByteArray> paths;
        for (int i = 0; i < list.count(); ++i)
            paths.append(DirList::rowPath(list.item(i)));
        const QList<QByteArray> expected{
            tree.root(),        tree.path("top"),   tree.path("top/.cache"),
            tree.path("top/A"), tree.path("top/b"), tree.path("top/" + TreeFixture::nonUtf8Name())};
        QCOMPARE(paths, expected);
        QCOMPARE(list.currentFolderRow(), 1);
    }

    void oneClickOpensTheEntryAndKeepsItsBytes()
    {
        TreeFixture tree{"top/x/y/"};
        tree.makeFolder("top/" + TreeFixture::nonUtf8Name());
        DirList list;
        list.setRoot(tree.root());
        QVERIFY(list.setPath(tree.path("top")));
        QSignalSpy changed(&list, &DirList::changed);
        QSignalSpy opened(&list, &DirList::entryOpened);
        list.resize(300, 300);
        list.show();

        // The row whose text is derived from a name that is not UTF-8 still opens that folder.
        QListWidgetItem* odd = nullptr;
        for (int i = 0; i < list.count(); ++i)
            if (DirList::rowPath(list.item(i)).endsWith(TreeFixture::nonUtf8Name()))
                odd = list.item(i);
        QVERIFY(odd);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(odd).center());
        QCOMPARE(list.path(), tree.path("top/" + TreeFixture::nonUtf8Name()));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(opened.count(), 1);

        // Clicking an ancestor climbs back up.
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(0)).center());
        QCOMPARE(list.path(), tree.root());
    }

    void unlistableFolderChangesNothing()
    {
        TreeFixture tree{"top/"};
        DirList list;
        QVERIFY(list.setPath(tree.path("top")));
        QVERIFY(!list.setPath(tree.path("missing")));
        QVERIFY(!list.setPath(""));
        QCOMPARE(list.path(), tree.path("top"));
    }

    void driveListKeepsMountPointsAndAnnouncesOnlyUserChanges()
    {
        DriveList drives;
        const QByteArray odd("/media/caf\xe9");
        drives.setDrives({{"/", QStringLiteral("sda1")}, {odd, QStringLiteral("USB")}, {"/home", {}}}, "/home");
        QCOMPARE(drives.mountPoint(), QByteArray("/home"));
        QCOMPARE(drives.itemText(0), QStringLiteral("/  [sda1]"));
        QSignalSpy changed(&drives, &DriveList::driveChanged);
        QVERIFY(drives.setMountPoint(odd));
        QCOMPARE(drives.mountPoint(), odd);
        QCOMPARE(changed.count(), 0);
        QVERIFY(!drives.setMountPoint("/nowhere"));
        QCOMPARE(drives.mountPoint(), odd);
        Q_EMIT drives.activated(0);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toByteArray(), QByteArray("/"));
    }
};

QTEST_MAIN(FileSearchListsTest)
#include "filesearch_lists_test.moc"
