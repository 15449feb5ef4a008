#include "app/ui/logpanel.h"

#include "common/searchlog.h"
#include "common/ui/panelhost.h"
#include "app/ui/printingnotice.h"
#include "platform/desktop.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "platform/ui/fonts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTextDocument>

namespace bv {

LogFileFrame::LogFileFrame(PanelHost& host, QWidget* parent) : QWidget(parent), m_host(host)
{
    setObjectName(QStringLiteral("LogFileFrame"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setFont(arialFont(9.75));

    m_logText = new QPlainTextEdit(this);
    m_logText->setObjectName(QStringLiteral("LogText"));
    m_logText->setGeometry(twRect(15, 0, 6570, 4530));
    m_logText->setReadOnly(true);
    m_logText->setAccessibleName(QStringLiteral("Log"));
    m_logText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_logText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_logText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_logText->setFont(arialFont(9));
    QPalette tp = m_logText->palette();
    tp.setColor(QPalette::Text, QColor(0x00, 0x00, 0xFF));
    tp.setColor(QPalette::Base, Qt::white);
    m_logText->setPalette(tp);

    m_saveLogButton = new QPushButton(QStringLiteral("&Save"), this);
    m_saveLogButton->setObjectName(QStringLiteral("SaveLogButton"));
    m_saveLogButton->setGeometry(twRect(4290, 4605, 1125, 405));
    connect(m_saveLogButton, &QPushButton::clicked, this, &LogFileFrame::SaveLogButton_Click);

    m_closeLogFrameButton = new QPushButton(QStringLiteral("&Close"), this);
    m_closeLogFrameButton->setObjectName(QStringLiteral("CloseLogFrameButton"));
    m_closeLogFrameButton->setGeometry(twRect(5445, 4605, 1125, 405));
    connect(m_closeLogFrameButton, &QPushButton::clicked, this, &LogFileFrame::CloseLogFrameButton_Click);

    setTabOrder(m_logText, m_closeLogFrameButton);
    setTabOrder(m_closeLogFrameButton, m_saveLogButton);
}

LogFileFrame::~LogFileFrame() = default;

QByteArray LogFileFrame::workingLogPath() const
{
    return joinPath(m_host.program().AppFolder, "temp.bv");
}

QByteArray LogFileFrame::wordProcessorCopyPath() const
{
    return joinPath(m_host.program().AppFolder, "temp.doc");
}

QString LogFileFrame::text() const
{
    return m_logText->toPlainText();
}

bool LogFileFrame::showWorkingLog()
{
    const LogContents log = readLogForViewer(workingLogPath(), kViewerLimit, kViewerLineLimit, LogLimit::Refuse);
    if (log.status != LogContents::Loaded) {
        offerWordProcessor();
        return false;
    }
    showPanel(log.text);
    return true;
}

void LogFileFrame::showPanel(const QString& text)
{
    m_logText->setPlainText(text);
    if (shown)
        shown();
    show();
    raise();
    // The keys go to the log now, never to the panel it covers.
    m_logText->setFocus(Qt::OtherFocusReason);
}

void LogFileFrame::offerWordProcessor()
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

void LogFileFrame::LogFileIcon_Click()
{
    QByteArray name;
    LogFileDialog(1, name);
    if (!name.isEmpty()) {
        // Whatever could be read is shown: an unreadable file shows an empty panel, a huge one
        // its beginning. There is no word-processor offer for a saved log.
        const LogContents log = readLogForViewer(name, kViewerLimit, kViewerLineLimit, LogLimit::Truncate);
        showPanel(log.text);
        m_saveLogButton->setEnabled(false);
    }
    m_host.letMessagesBeProcessed();
}

void LogFileFrame::SaveLogButton_Click()
{
    QByteArray name;
    LogFileDialog(0, name);
    if (!name.isEmpty()) {
        // The working file on disk is saved, not the viewer's text: the bytes stay exactly
        // as the search wrote them.
        const FileResult saved = copyLogFile(workingLogPath(), name);
        if (saved.ok) {
            m_saveLogButton->setEnabled(false);
        } else {
            msgBox(QStringLiteral("The log could not be saved as %1.\n%2").arg(displayPath(name), saved.error),
                   MsgCritical);
        }
    }
    m_host.letMessagesBeProcessed();
}

void LogFileFrame::CloseLogFrameButton_Click()
{
    hide();
    // Back to the panel the log was shown from (its counters reprinted), or to the idle window.
    if (closed)
        closed();
}

int LogFileFrame::LogFileDialog(quint8 openMode, QByteArray& fileName)
{
    const bool opening = openMode == 1;
    QByteArray chosen;
    if (fileDialogHook) {
        chosen = fileDialogHook(openMode);
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
    if (!chosen.isEmpty())
        fileName = chosen;
    return 0;
}

void LogFileFrame::enableSave()
{
    m_saveLogButton->setEnabled(true);
}

void LogFileFrame::clearText()
{
    m_logText->clear();
}

std::unique_ptr<QPrinter> LogFileFrame::defaultPrinter()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

void LogFileFrame::PrintIcon_Click()
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
    PrinterForm progress(m_host.dialogParent());
    progress.Form_Load(m_host.dialogParent());
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
