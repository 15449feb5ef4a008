// SPDX-License-Identifier: GPL-3.0-or-later
// The log panel driven headless: showing, opening, saving and closing a log with the command
// states each leaves behind, the file dialogs, and printing.
#include "common/appstate.h"
#include "app/ui/mainwindow.h"
#include "app/ui/logpanel.h"
#include "search/ui/filesearchframe.h"
#include "tests/support/scripted_messages.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace bv;

namespace {

QByteArray slurp(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void spit(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace

class LogFileFrameTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<MainWindow> m_form;
    std::unique_ptr<test::ScriptedMessages> m_boxes;
    LogPanel* m_log = nullptr;
    QByteArray m_logBytes;

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString appFile(const char* name) const
    {
        return QFile::decodeName(m_state->AppFolder) + QLatin1Char('/') + QString::fromLatin1(name);
    }
    // Writes a working log the way a search does.
    void writeWorkingLog(const QStringList& lines)
    {
        SearchLog& log = m_state->Log;
        QVERIFY(log.open(QFile::encodeName(appFile("temp.bv"))));
        QVERIFY(log.writeHeader(QDateTime(QDate(2026, 12, 8), QTime(15, 38))));
        for (const QString& line : lines)
            QVERIFY(log.writeLine(line));
        log.close();
        m_logBytes = slurp(appFile("temp.bv"));
    }
    void answerDialog(const QString& chosen)
    {
        m_log->fileDialogHook = [chosen](LogDialog) { return QFile::encodeName(chosen); };
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).mkpath(QStringLiteral("app"));
        m_state = std::make_unique<AppState>();
        m_state->AppFolder = QFile::encodeName(path(QStringLiteral("app")));
        m_form = std::make_unique<MainWindow>(*m_state);
        m_form->show();
        m_boxes = std::make_unique<test::ScriptedMessages>();
        m_log = m_form->logPanel();
        writeWorkingLog({QStringLiteral("Found: /home/u/a.tmp"), QStringLiteral("ACTION: Delete")});
    }

    void cleanup()
    {
        m_boxes.reset();
        m_form.reset();
        m_state.reset();
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    void viewFromTheFileSearchPanelAndBack()
    {
        m_form->openFeature(QStringLiteral("FileSearchOption"));
        m_form->run().FilesRemoved = 3;
        m_form->showWorkingLog(*m_form->panel(QStringLiteral("FileSearchOption")));
        QVERIFY(m_log->isVisible());
        QCOMPARE(m_log->text(), QStringLiteral("This search was made on Tuesday December 08, 2026  3:38 PM\n"
                                               "Found: /home/u/a.tmp\nACTION: Delete\n"));
        QCOMPARE(int(m_form->iconBarState()), 2);
        QWidget* panelWidget = m_form->panel(QStringLiteral("FileSearchOption"))->widget();
        QVERIFY(panelWidget->isVisible());  // still there, underneath,
        QVERIFY(!panelWidget->isEnabled()); // but it takes no keys: they go to the log
        QCOMPARE(m_form->focusWidget(), static_cast<QWidget*>(m_log->logView()));

        QTest::mouseClick(m_log->closeButton(), Qt::LeftButton);
        QVERIFY(m_log->isHidden());
        QCOMPARE(int(m_form->iconBarState()), 1);
        QVERIFY(panelWidget->isVisible());
        QVERIFY(panelWidget->isEnabled());
        auto* panel = dynamic_cast<PrintSurface*>(m_form->panel(QStringLiteral("FileSearchOption"))->widget());
        QCOMPARE(panel->printedAt(2260, 4640), QStringLiteral(" 3 "));
        QVERIFY(m_boxes->shown.isEmpty());
    }

    void viewFromTheDuplicatePanelAndBack()
    {
        m_form->openFeature(QStringLiteral("NewFilesOption"));
        m_form->showWorkingLog(*m_form->panel(QStringLiteral("NewFilesOption")));
        QVERIFY(m_log->isVisible());
        QVERIFY(m_form->panel(QStringLiteral("NewFilesOption"))->widget()->isHidden());
        QCOMPARE(int(m_form->iconBarState()), 2);
        // Close goes back to the panel the log was shown from.
        m_log->onCloseClicked();
        QVERIFY(m_log->isHidden());
        QVERIFY(m_form->panel(QStringLiteral("NewFilesOption"))->widget()->isVisible());
        QCOMPARE(int(m_form->iconBarState()), 1);
    }

    void openSaveAndTheSaveButtonsLife()
    {
        spit(path(QStringLiteral("old.LOG")), "saved line 1\r\nsaved line 2\r\n");

        answerDialog(QString()); // cancelled: nothing happens
        m_form->openSavedLog();
        QVERIFY(m_log->isHidden());

        answerDialog(path(QStringLiteral("old.LOG")));
        m_form->openSavedLog();
        QVERIFY(m_log->isVisible());
        QCOMPARE(m_log->text(), QStringLiteral("saved line 1\nsaved line 2\n"));
        QCOMPARE(int(m_form->iconBarState()), 2);
        QVERIFY(!m_log->saveButton()->isEnabled());
        m_log->onCloseClicked();
        QCOMPARE(int(m_form->iconBarState()), 0);
        QVERIFY(m_log->saveButton()->isEnabled()); // re-enabled by a close from the idle window

        // Save replaces an existing file without asking, with the working file's bytes.
        m_form->openFeature(QStringLiteral("FileSearchOption"));
        m_form->showWorkingLog(*m_form->panel(QStringLiteral("FileSearchOption")));
        answerDialog(path(QStringLiteral("old.LOG")));
        QTest::mouseClick(m_log->saveButton(), Qt::LeftButton);
        QCOMPARE(slurp(path(QStringLiteral("old.LOG"))), m_logBytes);
        QVERIFY(!m_log->saveButton()->isEnabled());
        QVERIFY(m_boxes->shown.isEmpty());

        // Still disabled for later views, until the file-search panel's reset.
        m_log->onCloseClicked();
        m_form->showWorkingLog(*m_form->panel(QStringLiteral("FileSearchOption")));
        QVERIFY(!m_log->saveButton()->isEnabled());
        m_log->enableSave();
        QVERIFY(m_log->saveButton()->isEnabled());
        m_log->clearText();
        QCOMPARE(m_log->text(), QString());
    }

    void aFailedSaveIsToldAndSaveStaysEnabled()
    {
        spit(path(QStringLiteral("somefile")), "x");
        m_form->openFeature(QStringLiteral("FileSearchOption"));
        m_form->showWorkingLog(*m_form->panel(QStringLiteral("FileSearchOption")));
        // Under a regular file: no folder to write to, even for root.
        answerDialog(path(QStringLiteral("somefile/x.log")));
        m_log->onSaveClicked();
        QCOMPARE(m_boxes->shown.size(), 1);
        QVERIFY(m_boxes->shown[0].text.startsWith(QStringLiteral("The log could not be saved as ")));
        QCOMPARE(m_boxes->shown[0].style, 16);
        QCOMPARE(m_boxes->shown[0].title, QStringLiteral("Brisvane!"));
        QVERIFY(m_log->saveButton()->isEnabled());

        answerDialog(QString()); // cancelled: nothing at all
        m_log->onSaveClicked();
        QCOMPARE(m_boxes->shown.size(), 1);
        QVERIFY(m_log->saveButton()->isEnabled());
    }

    void aHugeSavedLogShowsItsBeginningWithoutAsking()
    {
        const QByteArray line = "0123456789012345678901234567890123456789012345678901234567890123456789\r\n";
        QByteArray big;
        while (big.size() <= LogPanel::kViewerLimit)
            big += line;
        spit(path(QStringLiteral("big.log")), big);
        answerDialog(path(QStringLiteral("big.log")));
        m_form->openSavedLog();
        QVERIFY(m_log->isVisible());
        QVERIFY(m_boxes->shown.isEmpty());
        QVERIFY(m_log->text().startsWith(QString::fromLatin1(line.chopped(2)) + QLatin1Char('\n')));
        QVERIFY(m_log->text().size() < LogPanel::kViewerLimit);
        QVERIFY(!m_log->saveButton()->isEnabled());
    }

    void theFileDialogs()
    {
        for (const char* name : {"a.log", "B.LOG", "c.Log", "d.txt"})
            spit(path(QString::fromLatin1(name)), "x");
        QStringList listed;
        QString title, filter, suffix;
        bool mustExist = false, asksBeforeReplacing = true;
        // Looks at the dialog while it is open, then answers it; it is always closed, so a
        // failed check cannot leave the test waiting on it.
        auto inspect = [&](QFileDialog* dialog) {
            QVERIFY(dialog);
            title = dialog->windowTitle();
            filter = dialog->nameFilters().join(QLatin1Char(';'));
            suffix = dialog->defaultSuffix();
            mustExist = dialog->fileMode() == QFileDialog::ExistingFile;
            asksBeforeReplacing = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            dialog->setDirectory(m_dir.path());
            auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
            QVERIFY(view);
            listed.clear();
            QTRY_COMPARE(view->model()->rowCount(view->rootIndex()), 4); // three logs and "app"
            for (int r = 0; r < 4; ++r)
                listed << view->model()->index(r, 0, view->rootIndex()).data().toString();
        };
        auto drive = [&](const QString& pick, bool accept) {
            QTimer::singleShot(0, this, [&, pick, accept] {
                auto* dialog = m_form->findChild<QFileDialog*>(QStringLiteral("LogFileDialog"));
                inspect(dialog);
                if (!dialog)
                    return;
                if (accept) {
                    // Typed into the name box, as a user does (selectFile leaves a focused box alone).
                    auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                    QVERIFY(nameBox);
                    nameBox->setText(pick);
                    static_cast<QDialog*>(dialog)->accept(); // the dialog's own accept, with its checks
                }
                if (dialog->isVisible())
                    dialog->reject();
            });
        };

        drive(QString(), false);
        QCOMPARE(m_log->chooseLogFile(LogDialog::Open), QByteArray());
        QCOMPARE(title, QStringLiteral("Open File"));
        QCOMPARE(filter, QStringLiteral("Log Files (*.log)"));
        QVERIFY(mustExist);
        listed.sort(Qt::CaseInsensitive);
        QCOMPARE(listed, QStringList({QStringLiteral("a.log"), QStringLiteral("app"), QStringLiteral("B.LOG"),
                                      QStringLiteral("c.Log")}));

        drive(QStringLiteral("B.LOG"), true);
        QByteArray name = m_log->chooseLogFile(LogDialog::Open);
        QCOMPARE(QFile::decodeName(name), path(QStringLiteral("B.LOG")));

        drive(QStringLiteral("newlog"), true);
        name = m_log->chooseLogFile(LogDialog::Save);
        QCOMPARE(title, QStringLiteral("Save File"));
        QCOMPARE(suffix, QStringLiteral("log"));
        QVERIFY(!mustExist);
        QVERIFY(!asksBeforeReplacing);
        QCOMPARE(QFile::decodeName(name), path(QStringLiteral("newlog.log")));
    }

    void printNeedsAShownLogAndAPrinter()
    {
        m_form->printLog(); // idle window
        QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("Nothing to print.")});
        QCOMPARE(m_boxes->shown[0].style, 48);

        if (LogPanel::defaultPrinter())
            QSKIP("a print system answers here; ctest runs this with none reachable");
        m_form->openFeature(QStringLiteral("FileSearchOption"));
        m_form->showWorkingLog(*m_form->panel(QStringLiteral("FileSearchOption")));
        m_form->printLog();
        QCOMPARE(m_boxes->shown.size(), 2);
        QVERIFY(m_boxes->shown[1].text.startsWith(QStringLiteral("There is no printer set up")));
        QCOMPARE(m_boxes->shown[1].style, 48);
    }

    void printsThePanelsTextAsOneDocument()
    {
        QStringList lines;
        for (int i = 1; i <= 140; ++i) // three pages or so
            lines << QStringLiteral("Found: /home/user/caf\u00e9/file%1.tmp").arg(i);
        writeWorkingLog(lines);
        const QString pdf = path(QStringLiteral("out.pdf"));
        m_log->printerHook = [pdf] {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdf);
            return printer;
        };
        m_form->openFeature(QStringLiteral("FileSearchOption"));
        m_form->showWorkingLog(*m_form->panel(QStringLiteral("FileSearchOption")));
        m_form->printLog();
        QVERIFY(m_boxes->shown.isEmpty());
        QCOMPARE(m_form->focusWidget()->objectName(),
                 QStringLiteral("DummyText")); // the window is not active offscreen
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(w->objectName() != QStringLiteral("PrinterForm") || !w->isVisible());

        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(pdftotext.waitForFinished(30000));
        QStringList printed;
        int pages = 0;
        for (QString l : QString::fromUtf8(pdftotext.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            pages += int(l.count(QLatin1Char('\f')));
            l.remove(QLatin1Char('\f'));
            static const QRegularExpression pageNumber(QStringLiteral("^\\d+$"));
            // pdftotext gives back words, not their spacing: runs of blanks are compared as one.
            if (!l.trimmed().isEmpty() && !pageNumber.match(l.trimmed()).hasMatch())
                printed << l.simplified();
        }
        QStringList shown;
        for (const QString& l : m_log->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            shown << l.simplified();
        QCOMPARE(printed, shown);
        QVERIFY(pages >= 2);

        // A printer that cannot take the job is told, not passed over.
        spit(path(QStringLiteral("afile")), "x");
        m_log->printerHook = [this] {
            auto printer = std::make_unique<QPrinter>();
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(path(QStringLiteral("afile/out.pdf")));
            return printer;
        };
        m_form->printLog();
        QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("The log could not be printed.")});
    }
};

QTEST_MAIN(LogFileFrameTest)
#include "logpanel_test.moc"
