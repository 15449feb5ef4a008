// SPDX-License-Identifier: GPL-3.0-or-later
// The duplicate review window on a fake host, with files in an isolated desktop (its own trash
// and default applications): how its rows behave at scale, the removals that do not happen
// (refused, changed since shown), the trash, the content tooltips as rows go, Explore, link rows,
// figures too wide for their cells, Escape, closing, and rows still being read.
#include "common/appstate.h"
#include "common/headlessuser.h"
#include "duplicates/dupgroups.h"
#include "duplicates/rowvalues.h"
#include "duplicates/ui/duprowsview.h"
#include "duplicates/ui/duplicatereviewwindow.h"
#include "platform/fileops.h"
#include "platform/paths.h"
#include "platform/ui/inputguard.h"
#include "common/removal.h"
#include "common/wording.h"
#include "tests/support/isolated_desktop.h"
#include "tests/support/recording_fileops.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/ui/fake_host.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <climits>
#include <fcntl.h>
#include <unistd.h>

using namespace bv;
using namespace bv::test;

namespace {

QString g_root;

QByteArray openedMarker()
{
    return QFile::encodeName(g_root) + "/opened.marker";
}

void writeFile(const QByteArray& path, const QByteArray& bytes, int flags = O_TRUNC)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | flags, 0644);
    if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != ssize_t(bytes.size()))
        qFatal("cannot write %s", path.constData());
    ::close(fd);
}

bool exists(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

// A review window on a fake host with its working log open, showing a group of the run whose
// actions carry out the user's word; files go into work().
class ReviewFixture
{
public:
    ReviewFixture() : m_work(QFile::decodeName(QFile::encodeName(g_root) + "/home/work-XXXXXX"))
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        state.AppFolder = QFile::encodeName(m_app.path());
        host = std::make_unique<FakeHost>(state);
        if (!state.Log.open(state.AppFolder + "/temp.bv"))
            qFatal("cannot open the log");
        window = new DuplicateReviewWindow(*host, host->dialogParent());
        setRecycle(true);
    }

    // Before any row is added.
    void setRecycle(bool recycle)
    {
        window->setRecycle(recycle);
        group = std::make_unique<DuplicateGroup>(host->program(), host->run(), user, recycle);
    }
    // One more row, logged by the group and put in the window.
    void addRow(const ReviewRow& row)
    {
        if (!group->add({row}))
            qFatal("cannot log %s", row.path.constData());
        window->startGroup({&row, 1}, *group, nullptr);
    }
    ~ReviewFixture() { state.Log.close(); }

    QByteArray work() const { return QFile::encodeName(m_work.path()); }

    // A file written now and added as a row.
    QByteArray add(const QByteArray& relative, const QByteArray& bytes)
    {
        const QByteArray path = work() + '/' + relative;
        QDir().mkpath(QFile::decodeName(folderOf(path)));
        writeFile(path, bytes);
        addExisting(path);
        return path;
    }
    void addExisting(const QByteArray& path)
    {
        const auto row = readReviewRow(folderOf(path), baseName(path));
        if (!row)
            qFatal("cannot add %s", path.constData());
        addRow(*row);
    }

    QList<QByteArray> logLines() const
    {
        QFile f(QFile::decodeName(state.AppFolder + "/temp.bv"));
        QList<QByteArray> lines = f.open(QIODevice::ReadOnly) ? f.readAll().split('\n') : QList<QByteArray>();
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        for (QByteArray& l : lines)
            l.chop(l.endsWith('\r') ? 1 : 0);
        return lines;
    }
    // The log after the rows' own blocks (5 lines each).
    QList<QByteArray> actions(int rows) const { return logLines().mid(rows * 5); }

    AppState state;
    std::unique_ptr<FakeHost> host;
    HeadlessUser user;
    std::unique_ptr<DuplicateGroup> group;
    DuplicateReviewWindow* window = nullptr;
    ScriptedMessages boxes;

private:
    QTemporaryDir m_app;
    QTemporaryDir m_work;
};

// Runs f once the window is on show with its content check done; closes it if f did not.
void whenShown(DuplicateReviewWindow* w, std::function<void()> f)
{
    auto* timer = new QTimer(w);
    QObject::connect(timer, &QTimer::timeout, w, [w, timer, f] {
        if (!w->isVisible() || !w->contentChecked())
            return;
        timer->stop();
        timer->deleteLater();
        f();
        if (w->isVisible())
            w->onContinueClicked();
    });
    timer->start(5);
}

} // namespace

class DuplicateReviewWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void largeGroupsOpenAtOnceAndScrollFromTheTenthRow()
    {
        ReviewFixture f;
        DuplicateReviewWindow* w = f.window;
        const int widgets = int(w->findChildren<QWidget*>().size());
        ReviewRow row;
        row.name = "same.txt";
        row.size = QStringLiteral(" 1");
        row.version = QStringLiteral("N/A");
        for (int i = 0; i < 9; ++i) {
            row.folder = "/data/" + QByteArray::number(i);
            row.path = joinPath(row.folder, row.name);
            f.addRow(row);
        }
        QVERIFY(!w->scrollBar()->isEnabled()); // nine rows fit
        f.addRow(row);
        QVERIFY(w->scrollBar()->isEnabled());
        QCOMPARE(w->scrollBar()->maximum(), DupRowsView::rowHeight());

        for (int i = 10; i < 10000; ++i)
            f.addRow(row);
        // One widget paints them all: no control per row.
        QCOMPARE(int(w->findChildren<QWidget*>().size()), widgets);
        w->resize(w->size());
        QElapsedTimer paint;
        paint.start();
        const QImage shot = w->grab().toImage();
        QVERIFY2(paint.elapsed() < 1000, "painting a window of 10,000 rows");
        QVERIFY(!shot.isNull());

        // The keys go to the window whichever control has the focus; the selection stays in
        // sight.
        auto* cont = w->findChild<QPushButton*>(QStringLiteral("ContinueButton"));
        QTest::keyClick(cont, Qt::Key_Up);
        QCOMPARE(w->selectedRow(), -1);
        for (int i = 0; i < 12; ++i)
            QTest::keyClick(cont, Qt::Key_Down);
        QCOMPARE(w->selectedRow(), 11);
        QVERIFY(w->scrollBar()->value() > 0);
        QTest::keyClick(cont, Qt::Key_Up);
        QCOMPARE(w->selectedRow(), 10);

        // Continue leaves the window empty for the next group.
        w->onContinueClicked();
        QCOMPARE(w->rowCount(), 0);
        QVERIFY(!w->scrollBar()->isEnabled());
    }

    void refusedRemovalLeavesRowAndCounters_data()
    {
        QTest::addColumn<bool>("recycle");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("logged");
        QTest::newRow("delete refused") << false << int(ActOutcome::Refused)
                                        << QByteArray("ACTION: Delete - Action Denied");
        QTest::newRow("trash refused") << true << int(ActOutcome::Refused)
                                       << QByteArray("ACTION: Recycle Bin - Action Denied");
        QTest::newRow("no trash on the volume")
            << true << int(ActOutcome::NotSupported) << QByteArray("ACTION: Recycle Bin - Action Denied");
    }
    void refusedRemovalLeavesRowAndCounters()
    {
        QFETCH(bool, recycle);
        QFETCH(int, status);
        QFETCH(QByteArray, logged);
        ReviewFixture f;
        f.setRecycle(recycle);
        const QByteArray a = f.add("a/x.txt", "one");
        f.add("b/x.txt", "two");
        RecordingFileOps ops;
        (recycle ? ops.failTrash : ops.failRemove) = ActResult{ActOutcome(status), QStringLiteral("refused")};
        f.window->selectRow(0);
        f.window->onDeleteClicked();

        QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("Access was denied.")});
        QCOMPARE(f.boxes.shown[0].style, 48);
        QCOMPARE(f.actions(2), (QList<QByteArray>{a, logged, ""}));
        QVERIFY(exists(a));
        QCOMPARE(f.window->rowCount(), 2);
        QCOMPARE(f.host->run().FilesRemoved, 0);
        QCOMPARE(f.host->run().BytesReclaimed, 0);
    }

    void deleteGoesToTheTrashOrIsDeleted_data()
    {
        QTest::addColumn<bool>("recycle");
        QTest::newRow("trash") << true;
        QTest::newRow("delete") << false;
    }
    void deleteGoesToTheTrashOrIsDeleted()
    {
        QFETCH(bool, recycle);
        ReviewFixture f;
        f.setRecycle(recycle);
        f.add("a/y.txt", "12345");
        const QByteArray b = f.add("b/y.txt", "1234567");
        QTest::mouseClick(f.window->rowsView(), Qt::LeftButton, {}, QPoint(30, DupRowsView::rowHeight() + 3));
        QCOMPARE(f.window->selectedRow(), 1);
        f.window->onDeleteClicked();

        QVERIFY(!exists(b));
        const QByteArray trashed = QFile::encodeName(g_root) + "/data/Trash/files/y.txt";
        QCOMPARE(exists(trashed), recycle);
        QCOMPARE(f.actions(2), (QList<QByteArray>{b, recycle ? "ACTION: Recycle Bin" : "ACTION: Delete", ""}));
        QCOMPARE(f.host->run().FilesRemoved, 1);
        QCOMPARE(f.host->run().BytesReclaimed, 7);
        QVERIFY(f.user.figuresShown > 0);
        QCOMPARE(f.boxes.shown.size(), 0);
        // The last row removed ends the group.
        f.window->selectRow(0);
        f.window->onDeleteClicked();
        QCOMPARE(f.window->rowCount(), 0);
        if (recycle)
            QDir(QFile::decodeName(QFile::encodeName(g_root) + "/data/Trash")).removeRecursively();
    }

    void fileChangedSinceShownIsLeftAndShownAnew()
    {
        ReviewFixture f;
        f.setRecycle(false);
        const QByteArray a = f.add("a/z.txt", "small");
        f.add("b/z.txt", "small");
        writeFile(a, QByteArray(3000, 'y'), O_APPEND); // someone adds to it while it is on show
        f.window->selectRow(0);
        f.window->onDeleteClicked();

        QVERIFY(exists(a));
        QCOMPARE(f.boxes.texts(), QStringList{changedSinceListedText(displayPath(a))});
        QCOMPARE(f.actions(2), (QList<QByteArray>{a, "ACTION: Skipped - File Changed Since It Was Listed", ""}));
        QCOMPARE(f.window->row(0).size, QStringLiteral("2.9 Kb")); // what is there now
        f.window->selectRow(0);
        f.window->onDeleteClicked(); // decided again on what is shown: now it goes
        QVERIFY(!exists(a));
        QCOMPARE(f.host->run().BytesReclaimed, 3005);
    }

    void contentTooltipsNameRowsAsTheyAreNow()
    {
        ReviewFixture f;
        f.setRecycle(false);
        f.add("a/c.txt", "different");
        f.add("b/c.txt", "same text");
        f.add("c/c.txt", "same text");
        QStringList before, after;
        whenShown(f.window, [&] {
            for (int r = 0; r < 3; ++r)
                before << f.window->contentText(r);
            f.window->selectRow(0);
            f.window->onDeleteClicked();
            for (int r = 0; r < 2; ++r)
                after << f.window->contentText(r);
            f.window->selectRow(0);
            f.window->onDeleteClicked();
            after << f.window->contentText(0);
        });
        f.window->showGroup();
        QCOMPARE(before,
                 (QStringList{QStringLiteral("Content differs from every other row"),
                              QStringLiteral("Same content as row 3"), QStringLiteral("Same content as row 2")}));
        QCOMPARE(after, (QStringList{QStringLiteral("Same content as row 2"), QStringLiteral("Same content as row 1"),
                                     QStringLiteral("Content differs from every other row")}));
    }

    void assistiveTechnologyReadsEachRow()
    {
        ReviewFixture f;
        f.setRecycle(false);
        const QByteArray a = f.add("a/r.txt", "12345");
        const QByteArray b = f.add("b/r.txt", "1");
        f.window->show();
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(f.window->rowsView());
        QAccessibleInterface* first = list->child(0);
        QAccessibleInterface* second = list->child(1);
        const ReviewRow& row = f.window->row(0);
        QCOMPARE(first->text(QAccessible::Name),
                 QStringList({"r.txt", displayPath(folderOf(a)), row.size.trimmed(), row.version, row.lastAccess})
                     .join(", "));
        QCOMPARE(first->text(QAccessible::Description), f.window->rowToolTip(0));
        QCOMPARE(list->childAt(second->rect().center().x(), second->rect().center().y()), second);
        QTest::keyClick(f.window, Qt::Key_Down);
        QVERIFY(first->state().selected && !second->state().selected);
        // The first file removed: the first item reads the file now in its place, the second is gone.
        f.window->onDeleteClicked();
        QCOMPARE(list->childCount(), 1);
        QVERIFY(first->text(QAccessible::Name).contains(displayPath(folderOf(b))));
        QVERIFY(!second->isValid());
    }

    void exploreOpensTheFileOrSaysThereIsNoApplication()
    {
        ReviewFixture f;
        f.add("a/doc.txt", "text");
        f.add("b/doc.txt", "text");
        f.add("a/data.bvqq", QByteArray("\x00\x01\x02\xff", 4)); // binary: no application for it here
        f.window->selectRow(0);
        QTest::mouseClick(f.window->findChild<QLabel*>(QStringLiteral("ThePathLabel")), Qt::LeftButton);
        QTRY_VERIFY(exists(openedMarker()));
        QCOMPARE(f.boxes.shown.size(), 0);
        f.window->selectRow(2);
        f.window->onExploreClicked();
        QCOMPARE(f.boxes.texts(),
                 QStringList{QStringLiteral("Could not find the application associated with this file.")});
        QCOMPARE(f.boxes.shown[0].style, 48);
    }

    // b/k.txt -> ../a/k.txt is no copy of a/k.txt: its row says so, and removing a/k.txt (which
    // would leave the link leading nowhere) is asked about, No by default. A hard link, c/k.txt,
    // is a name of its own and goes unasked.
    void aLinkRowIsMarkedAndWhatItLeadsToIsNotRemovedUnasked()
    {
        ReviewFixture f;
        f.setRecycle(false);
        const QByteArray a = f.add("a/k.txt", "the text");
        const QByteArray b = f.work() + "/b/k.txt";
        const QByteArray c = f.work() + "/c/k.txt";
        QDir().mkpath(QFile::decodeName(folderOf(b)));
        QDir().mkpath(QFile::decodeName(folderOf(c)));
        QVERIFY(::symlink("../a/k.txt", b.constData()) == 0 && ::link(a.constData(), c.constData()) == 0);
        f.addExisting(b);
        f.addExisting(c);
        QVERIFY(f.window->rowsView()->rowText(1).contains(QStringLiteral("symbolic link to ../a/k.txt")));
        QVERIFY(f.window->rowToolTip(1).startsWith(QStringLiteral("Symbolic link to ../a/k.txt\n")));

        f.window->selectRow(2);
        f.window->onDeleteClicked();
        QVERIFY(!exists(c));
        QCOMPARE(f.boxes.shown.size(), 0);

        f.boxes.answer(AnswerNo);
        f.boxes.answer(AnswerYes);
        for (int attempt = 0; attempt < 2; ++attempt) {
            f.window->selectRow(0);
            f.window->onDeleteClicked();
            QCOMPARE(f.boxes.shown.size(), attempt + 1);
            QCOMPARE(f.boxes.shown.last().style, 292);
            QVERIFY(f.boxes.shown.last().text.startsWith(QStringLiteral("Row 2 is a symbolic link to ")));
            QCOMPARE(exists(a), attempt == 0);
        }
        QCOMPARE(f.actions(3), (QList<QByteArray>{c, "ACTION: Delete", "", a, "ACTION: Delete", ""}));
    }

    // A figure too wide for its cell is condensed into it, never cut, and the row's tooltip and
    // accessible name give it whole.
    void figuresAreNeverCut()
    {
        ReviewFixture f;
        ReviewRow row;
        row.name = "big.dll";
        row.size = sizeText(1260000000);
        row.version = QStringLiteral("10.0.18362.1350");
        row.lastAccess = QStringLiteral("12/31/2025");
        for (const char* folder : {"/data/a", "/data/b"}) {
            row.folder = folder;
            row.path = joinPath(row.folder, row.name);
            f.addRow(row);
        }
        DupRowsView* view = f.window->rowsView();
        const QImage shot = view->grab().toImage();
        for (int column : {2, 3, 4}) {
            // Ink only inside the cell, clear of its edges: a cut figure runs into them.
            const QRect cell = view->cellRect(0, column);
            int left = INT_MAX, right = -1;
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    if (qGray(shot.pixel(x, y)) < 160) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                    }
            QVERIFY2(right >= 0, "a figure is drawn");
            QVERIFY2(left > cell.left() + 1 && right < cell.right() - 1, qPrintable(QString::number(column)));
        }
        for (const QString& text : {f.window->rowToolTip(0), view->rowText(0)})
            QVERIFY(text.contains(QStringLiteral("1,230,468.8 Kb")) && text.contains(row.version) &&
                    text.contains(row.lastAccess));
    }

    // Escape means nothing in this window: the group stays on show until the user chooses.
    void escapeLeavesTheGroupOnShow()
    {
        ReviewFixture f;
        f.add("a/e.txt", "1");
        f.add("b/e.txt", "2");
        bool stillShown = false;
        whenShown(f.window, [&] {
            f.window->selectRow(0);
            QTest::keyClick(f.window->findChild<QPushButton*>(QStringLiteral("ContinueButton")), Qt::Key_Escape);
            QTest::keyClick(f.window, Qt::Key_Escape);
            stillShown = f.window->isVisible() && f.window->rowCount() == 2 && f.window->selectedRow() == 0;
        });
        f.window->showGroup();
        QVERIFY(stillShown);
    }

    // A large group opens with the rows in sight; the others come in while it is on show. A row
    // cannot be chosen until it has been painted with its values, and the log holds every row,
    // in order, once the group ends.
    void rowsStillBeingReadCannotBeChosen()
    {
        ReviewFixture f;
        constexpr int kFiles = 600;
        DuplicateStore store;
        for (int i = 0; i < kFiles; ++i) {
            const QByteArray folder = f.work() + "/f" + QByteArray::number(i);
            QDir().mkpath(QFile::decodeName(folder));
            writeFile(folder + "/same.txt", QByteArray(i + 1, 'x'));
            QVERIFY(store.add(folder, "same.txt"));
        }
        const auto groups = groupDuplicates(store);
        QVERIFY(groups && groups->count() == 1);
        GroupRowReader reader(store, groups->entries(0));
        reader.readFirst(std::size_t(f.window->rowsInSight()));
        f.group->readFrom(reader);
        QVERIFY(f.group->add(reader.takeReady()));
        f.window->startGroup(f.group->rows(), *f.group, f.group.get());
        const int inSight = f.window->rowsInSight();
        QCOMPARE(f.window->rowCount(), inSight);

        // Scrolled down and painted: the rows below the first screen are still being read.
        DupRowsView* view = f.window->rowsView();
        QImage image(view->size(), QImage::Format_RGB32);
        f.window->scrollBar()->setValue(inSight * DupRowsView::rowHeight());
        view->render(&image);
        QCOMPARE(view->rowText(inSight + 1), QStringLiteral("Reading..."));
        const QPoint below = view->rowRect(inSight + 1).center();
        QTest::mouseClick(view, Qt::LeftButton, {}, below);
        QCOMPARE(f.window->selectedRow(), -1);

        // Read, but not yet painted with its values: still not to be chosen.
        QTRY_VERIFY(!f.window->isReading());
        QCOMPARE(f.window->rowCount(), kFiles);
        QTest::mouseClick(view, Qt::LeftButton, {}, below);
        QCOMPARE(f.window->selectedRow(), -1);
        view->render(&image);
        QTest::mouseClick(view, Qt::LeftButton, {}, below);
        QCOMPARE(f.window->selectedRow(), inSight + 1);
        QCOMPARE(f.window->row(inSight + 1).info.size, inSight + 2);

        f.window->onContinueClicked();
        const QList<QByteArray> log = f.logLines();
        QCOMPARE(log.size(), kFiles * 5);
        for (int i = 0; i < kFiles; ++i)
            QCOMPARE(log[i * 5], f.work() + "/f" + QByteArray::number(i) + "/same.txt");
    }

    void closingTheWindowEndsTheGroup()
    {
        ReviewFixture f;
        f.add("a/w.txt", "1");
        f.add("b/w.txt", "2");
        whenShown(f.window, [&] { f.window->close(); });
        f.window->showGroup();
        QVERIFY(!f.window->isVisible());
        QCOMPARE(f.window->rowCount(), 0);
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir xdg;
    if (!xdg.isValid())
        return 1;
    g_root = xdg.path();
    TestApplication viewer;
    viewer.script = "echo opened > '" + openedMarker() + "'\n";
    viewer.mimeTypes = {QStringLiteral("text/plain")};
    isolateDesktop(g_root, viewer);
    QApplication app(argc, argv);
    InputGuard::setQuietMsForTests(0); // buttons are pressed the moment a window is up
    DuplicateReviewWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "duplicatereviewwindow_test.moc"
