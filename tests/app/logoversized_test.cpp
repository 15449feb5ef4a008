// SPDX-License-Identifier: GPL-3.0-or-later
// A working log too large for the viewer goes to the word processor: the question, the copy,
// and the desktop's default application, in an XDG setup of the test's own. Run twice by
// ctest: with no application for the copy's type, and (BV_TEST_DEFAULT_APP=1) with a test
// application that copies the file it is given to a marker file. The run without applications
// also asks for the help document, which nothing can open there.
#include "common/appstate.h"
#include "app/ui/mainwindow.h"
#include "app/ui/logpanel.h"
#include "tests/support/isolated_desktop.h"
#include "tests/support/scripted_messages.h"

#include <QApplication>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace bv;

namespace {

const QString kQuestion =
    QStringLiteral("The search log is too large to open with the current viewer. Would you like to use WordPad?");

bool withDefaultApp()
{
    return qEnvironmentVariableIntValue("BV_TEST_DEFAULT_APP") == 1;
}

QString g_xdgRoot;

QString marker()
{
    return g_xdgRoot + QStringLiteral("/marker");
}

void writeFile(const QString& path, const QByteArray& bytes, QFile::Permissions perms = {})
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    if (perms)
        f.setPermissions(perms);
}

// The shared MIME database is linked in, so "temp.doc" still has its content type.
void isolateDesktop(const QString& root)
{
    test::TestApplication app;
    if (withDefaultApp()) {
        app.script = QStringLiteral("cp \"$1\" '%1.tmp' && mv '%1.tmp' '%1'\n").arg(marker()).toUtf8();
        app.mimeTypes = {QStringLiteral("text/plain"), QStringLiteral("application/msword")};
    }
    test::isolateDesktop(root, app);
}

QByteArray slurp(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

class LogOversizedTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<MainWindow> m_form;
    std::unique_ptr<test::ScriptedMessages> m_boxes;

    QString appFile(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // A working log of exactly `size` bytes, CR LF lines.
    QByteArray writeLog(qint64 size)
    {
        QByteArray bytes;
        bytes.reserve(size);
        for (int i = 0; bytes.size() < size; ++i)
            bytes += QStringLiteral("Found: /home/user/Documents/folder/file%1.tmp\r\n").arg(i).toUtf8();
        bytes.truncate(size);
        writeFile(appFile("temp.bv"), bytes);
        return bytes;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(appFile("temp.doc"));
        QFile::remove(marker());
        m_state = std::make_unique<AppState>();
        m_state->AppFolder = QFile::encodeName(m_dir.path());
        m_form = std::make_unique<MainWindow>(*m_state);
        m_form->show();
        m_boxes = std::make_unique<test::ScriptedMessages>();
    }

    void cleanup()
    {
        m_boxes.reset();
        m_form.reset();
        m_state.reset();
    }

    void aLogAtTheLimitIsShown()
    {
        writeLog(LogPanel::kViewerLimit);
        m_form->openFeature(QStringLiteral("FileSearchOption"));
        m_form->showWorkingLog(*m_form->panel(QStringLiteral("FileSearchOption")));
        QVERIFY(m_boxes->shown.isEmpty());
        QVERIFY(m_form->logPanel()->isVisible());
        QCOMPARE(int(m_form->iconBarState()), 2);
    }

    void noToTheQuestionChangesNothing()
    {
        writeLog(LogPanel::kViewerLimit + 1);
        m_boxes->answer(AnswerNo);
        m_form->openFeature(QStringLiteral("FileSearchOption"));
        m_form->showWorkingLog(*m_form->panel(QStringLiteral("FileSearchOption")));
        QCOMPARE(m_boxes->texts(), QStringList{kQuestion});
        QCOMPARE(m_boxes->shown[0].style, 36);
        QCOMPARE(m_boxes->shown[0].title, QStringLiteral("Brisvane!"));
        QVERIFY(m_form->logPanel()->isHidden());
        QCOMPARE(int(m_form->iconBarState()), 1);
        QVERIFY(!QFile::exists(appFile("temp.doc")));
    }

    void yesCopiesAndOpensTheCopy()
    {
        const QByteArray log = writeLog(LogPanel::kViewerLimit + 1);
        writeFile(appFile("temp.doc"), "an older copy"); // replaced
        m_boxes->answer(AnswerYes);
        m_form->openFeature(QStringLiteral("NewFilesOption"));
        m_form->showWorkingLog(*m_form->panel(QStringLiteral("NewFilesOption")));
        QCOMPARE(slurp(appFile("temp.doc")), log);
        QVERIFY(m_form->logPanel()->isHidden());
        QVERIFY(m_form->panel(QStringLiteral("NewFilesOption"))
                    ->widget()
                    ->isVisible()); // the panel is not shown on this path
        QCOMPARE(int(m_form->iconBarState()), 1);
        if (withDefaultApp()) {
            QCOMPARE(m_boxes->texts(), QStringList{kQuestion});
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker()), 10000);
            QCOMPARE(slurp(marker()), log);
        } else {
            QCOMPARE(m_boxes->texts(), (QStringList{kQuestion, QStringLiteral("Could not open WordPad")}));
            QCOMPARE(m_boxes->shown[1].style, 16);
        }
    }

    void helpThatNothingCanOpenIsToldWithTheReason()
    {
        if (withDefaultApp())
            QSKIP("the run without applications covers it");
        const QString help = QCoreApplication::applicationDirPath() + QStringLiteral("/brisvane-help.html");
        writeFile(help, "<html><body>Help</body></html>");
        const auto removeHelp = qScopeGuard([&] { QFile::remove(help); });
        m_form->openHelp();
        QCOMPARE(m_boxes->texts(),
                 QStringList{QStringLiteral("The help document %1 could not be opened: No application "
                                            "is registered as handling this file.")
                                 .arg(help)});
        QCOMPARE(m_boxes->shown[0].style, 48);
    }

    void aFailedCopyIsToldAndNothingIsOpened()
    {
        writeLog(LogPanel::kViewerLimit + 1);
        QDir().mkpath(appFile("temp.doc")); // a folder where the copy must go
        m_boxes->answer(AnswerYes);
        m_form->openFeature(QStringLiteral("FileSearchOption"));
        m_form->showWorkingLog(*m_form->panel(QStringLiteral("FileSearchOption")));
        QCOMPARE(m_boxes->shown.size(), 2);
        QVERIFY(m_boxes->shown[1].text.startsWith(QStringLiteral("The search log could not be copied for WordPad.")));
        QCOMPARE(m_boxes->shown[1].style, 16);
        QTest::qWait(300);
        QVERIFY(!QFile::exists(marker()));
        QDir(appFile("temp.doc")).removeRecursively();
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir xdg;
    if (!xdg.isValid())
        return 1;
    g_xdgRoot = xdg.path();
    isolateDesktop(g_xdgRoot);
    QApplication app(argc, argv);
    LogOversizedTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "logoversized_test.moc"
