// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/logpanel.h"

#include "common/searchlog.h"
#include "common/ui/panelhost.h"
#include "app/ui/printingnotice.h"
#include "platform/desktop.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "platform/ui/fonts.h"
#include "common/ui/layout.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTextDocument>

namespace bv {

namespace {

using namespace bv::layout;

// The panel, as designed: the log's page over its two buttons. The keys go from the page to
// Close before Save: closing is what a reader does most.
constexpr ControlSpec kControls[] = {
    {"LogText", Kind::TextView, {15, 0, 6570, 4530}, "", {Family::Arial, 9}, {kBlue}, 1, Plain, nullptr, "Log"},
    {"SaveLogButton", Kind::Button, {4290, 4605, 1125, 405}, "&Save", kWindowFont, {}, 3},
    {"CloseLogFrameButton", Kind::Button, {5445, 4605, 1125, 405}, "&Close", kWindowFont, {}, 2},
};

constexpr LayoutTable kLayout{{"LogFileFrame", "", 6660, 5145, {Family::Arial, 9.75}, kWhite}, kControls};

} // namespace

const LayoutTable& LogPanel::layout()
{
    return kLayout;
}

LogPanel::LogPanel(PanelHost& host, QWidget* parent) : QWidget(parent), m_host(host)
{
    applyForm(this, kLayout);
    const Controls controls = buildLayout(this, kLayout);
    m_logView = controls.get<QPlainTextEdit>("LogText");
    m_logView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_logView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_logView->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // The page stays white under a dark desktop theme too, as the blue text needs.
    QPalette page = m_logView->palette();
    page.setColor(QPalette::Base, Qt::white);
    m_logView->setPalette(page);

    m_saveButton = controls.get<QPushButton>("SaveLogButton");
    connect(m_saveButton, &QPushButton::clicked, this, &LogPanel::onSaveClicked);
    m_closeButton = controls.get<QPushButton>("CloseLogFrameButton");
    connect(m_closeButton, &QPushButton::clicked, this, &LogPanel::onCloseClicked);
}

LogPanel::~LogPanel() = default;

QByteArray LogPanel::workingLogPath() const
{
    return joinPath(m_host.program().AppFolder, "temp.bv");
}

QByteArray LogPanel::wordProcessorCopyPath() const
{
    return joinPath(m_host.program().AppFolder, "temp.doc");
}

QString LogPanel::text() const
{
    return m_logView->toPlainText();
}

bool LogPanel::showWorkingLog()
{
    const LogContents log = readLogForViewer(workingLogPath(), kViewerLimit, kViewerLineLimit, LogLimit::Refuse);
    if (log.status != LogContents::Loaded) {
        offerWordProcessor();
        return false;
    }
    showPanel(log.text);
    return true;
}

void LogPanel::showPanel(const QString& text)
{
    m_logView->setPlainText(text);
    if (shown)
        shown();
    show();
    raise();
    // The keys go to the log now, never to the panel it covers.
    m_logView->setFocus(Qt::OtherFocusReason);
}

void LogPanel::offerWordProcessor()
{
    if (msgBox(QStringLiteral("The search log is too large to open with the current viewer. Would you like to use "
                              "WordPad?"),
               MsgQuestion) != AnswerYes)
        return;
    const QByteArray copy = wordProcessorCopyPath();
    const FileResult copied = copyLogFile(workingLogPath(), copy);
    m_host.letMessagesBeProcessed();
    if (!copied.ok) {
        // Opening an older copy, or none, would show the user the wrong log.
        msgBox(QStringLiteral("The search log could not be copied for WordPad.\n%1").arg(copied.error), MsgCritical);
        return;
    }
    const OpenOutcome opened = openWithDefaultAppForType(copy, "text/plain");
    m_host.letMessagesBeProcessed();
    if (opened.result == OpenResult::NoAssociation)
        msgBox(QStringLiteral("Could not open WordPad"), MsgCritical);
}

void LogPanel::openSavedLog()
{
    const QByteArray name = chooseLogFile(LogDialog::Open);
    if (!name.isEmpty()) {
        // Whatever could be read is shown: an unreadable file shows an empty panel, a huge one
        // its beginning. There is no word-processor offer for a saved log.
        const LogContents log = readLogForViewer(name, kViewerLimit, kViewerLineLimit, LogLimit::Truncate);
        showPanel(log.text);
        m_saveButton->setEnabled(false);
    }
    m_host.letMessagesBeProcessed();
}

void LogPanel::onSaveClicked()
{
    const QByteArray name = chooseLogFile(LogDialog::Save);
    if (!name.isEmpty()) {
        // The working file on disk is saved, not the viewer's text: the bytes stay exactly
        // as the search wrote them.
        const FileResult saved = copyLogFile(workingLogPath(), name);
        if (saved.ok) {
            m_saveButton->setEnabled(false);
        } else {
            msgBox(QStringLiteral("The log could not be saved as %1.\n%2").arg(displayPath(name), saved.error),
                   MsgCritical);
        }
    }
    m_host.letMessagesBeProcessed();
}

void LogPanel::onCloseClicked()
{
    hide();
    // Back to the panel the log was shown from (its counters reprinted), or to the idle window.
    if (closed)
        closed();
}

QByteArray LogPanel::chooseLogFile(LogDialog purpose)
{
    const bool opening = purpose == LogDialog::Open;
    QByteArray chosen;
    if (fileDialogHook) {
        chosen = fileDialogHook(purpose);
    } else {
        QFileDialog dialog(m_host.dialogParent(), opening ? QStringLiteral("Open File") : QStringLiteral("Save File"),
                           m_dialogFolder.isEmpty() ? QDir::currentPath() : m_dialogFolder,
                           QStringLiteral("Log Files (*.log)"));
        dialog.setObjectName(QStringLiteral("LogFileDialog"));
        // Qt's own dialog matches the filter in any letter case (LOG, Log, log), which the
        // desktop's native dialogs do not all do, and it behaves the same on every desktop.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(opening ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        dialog.setFileMode(opening ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QStringLiteral("log"));
        if (!opening)
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            const QString path = dialog.selectedFiles().constFirst();
            // Later dialogs start where this one ended (without moving the program's current
            // directory, which other panels take their default drive from).
            m_dialogFolder = QFileInfo(path).absolutePath();
            chosen = nativePath(path);
        }
    }
    return chosen;
}

void LogPanel::enableSave()
{
    m_saveButton->setEnabled(true);
}

void LogPanel::clearText()
{
    m_logView->clear();
}

std::unique_ptr<QPrinter> LogPanel::defaultPrinter()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

void LogPanel::printLog()
{
    if (isHidden()) {
        msgBox(QStringLiteral("Nothing to print."), MsgExclamation);
        return;
    }
    std::unique_ptr<QPrinter> printer = printerHook ? printerHook() : defaultPrinter();
    if (!printer) {
        msgBox(QStringLiteral("There is no printer set up on this computer, so the log cannot be printed. Set up a "
                              "printer in the system's printer settings, then print again."),
               MsgExclamation);
        return;
    }
    PrintingNotice progress(m_host.dialogParent());
    progress.centreOnScreen(m_host.dialogParent());
    progress.show();
    m_host.letMessagesBeProcessed();

    // The whole text as one document: one print job, paged by the printer.
    QTextDocument document;
    document.setDefaultFont(arialFont(10));
    document.setPlainText(text());
    printer->setDocName(QStringLiteral("Brisvane search log"));
    document.print(printer.get());
    m_host.letMessagesBeProcessed();
    const bool failed = printer->printerState() == QPrinter::Error;
    printer.reset(); // ends the job
    m_host.letMessagesBeProcessed();

    progress.close();
    m_host.focusDummy();
    if (failed)
        msgBox(QStringLiteral("The log could not be printed."), MsgCritical);
}

} // namespace bv
