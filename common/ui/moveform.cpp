#include "common/ui/moveform.h"

#include "common/ui/panelhost.h"
#include "platform/fileops.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "platform/ui/fonts.h"
#include "platform/ui/inputguard.h"
#include "common/recordedremoval.h"
#include "common/ui/dirlist.h"
#include "common/ui/drivelist.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

namespace bv {

namespace {

constexpr int kCopyPassEveryMs = 15;    // clicks and Cancel answered at once during a copy
constexpr int kCopyStatusEveryMs = 100; // the progress text, often enough to see it move

} // namespace

MoveForm::MoveForm(PanelHost& host, QWidget* parent) : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("MoveForm"));
    setWindowTitle(QStringLiteral("Move To..."));
    // Fixed border, no close box: the dialog ends through OK or Cancel.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    setFont(arialFont(8.25));
    setFixedSize(twSize(2955, 1770));

    m_driveList = new DriveList(this);
    m_driveList->setObjectName(QStringLiteral("Drive1"));
    // No caption beside it; Linux screen readers read a drop-down list by its current entry
    // (the drive) and use this name only while it is empty.
    m_driveList->setAccessibleName(QStringLiteral("Drive"));
    m_driveList->setGeometry(twRect(45, 30, 2865, 330));
    m_folderList = new DirList(this);
    m_folderList->setObjectName(QStringLiteral("Dir1"));
    m_folderList->setGeometry(twRect(45, 375, 2865, 990));
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    m_cancelButton->setGeometry(twRect(705, 1410, 1095, 345));
    m_okButton = new QPushButton(QStringLiteral("&OK"), this);
    m_okButton->setObjectName(QStringLiteral("OkButton"));
    m_okButton->setGeometry(twRect(1815, 1410, 1095, 345));
    m_okButton->setDefault(true);

    setTabOrder(m_folderList, m_driveList);
    setTabOrder(m_driveList, m_okButton);
    setTabOrder(m_okButton, m_cancelButton);
    // It opens over the window whose Move was just clicked: the rest of a double-click must not
    // land on it.
    InputGuard::install(this);

    connect(m_okButton, &QPushButton::clicked, this, [this] { onOkClicked(); });
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { onCancelClicked(); });
    connect(m_driveList, &DriveList::gotFocus, this, [this] { onDriveListFocused(); });
    connect(m_driveList, &DriveList::driveChanged, this, [this](const QByteArray& mp) { onDriveChanged(mp); });

    // Start where a classic folder list starts: the current folder on the current drive.
    m_driveList->reload();
    m_lastDrive = m_driveList->mountPoint();
    m_folderList->setRoot(m_lastDrive.isEmpty() ? QByteArray("/") : m_lastDrive);
    if (!m_folderList->setPath(QFile::encodeName(QDir::currentPath())))
        m_folderList->setPath(m_folderList->root());
}

MoveResult MoveForm::moveFile(const MoveRequest& request, Mover mover)
{
    m_request = request;
    m_mover = std::move(mover);
    m_result = MoveResult{};
    m_okButton->setEnabled(true);
    m_cancelButton->setEnabled(true);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    m_folderList->setFocus(Qt::OtherFocusReason);
    exec();
    return m_result;
}

void MoveForm::finish(bool chosen)
{
    m_result.chosen = chosen;
    m_host.letMessagesBeProcessed();
    if (chosen)
        accept();
    else
        QDialog::reject();
}

void MoveForm::onOkClicked()
{
    m_okButton->setEnabled(false);
    m_cancelButton->setEnabled(false);
    m_host.letMessagesBeProcessed();

    // A move to another drive copies the file, which can take long: the window goes on
    // answering, the status line tells how far the copy is, and Cancel gives it up (the copy
    // made so far is removed; the file stays for another decision).
    m_cancelAsked = false;
    bool copying = false;
    QElapsedTimer sincePass, sinceStatus;
    const QString shownName = displayPath(baseName(m_request.path));
    const CopyProgressScope progress([&](std::int64_t done, std::int64_t total) {
        if (!copying) {
            copying = true;
            m_cancelButton->setEnabled(true);
            sincePass.start();
            sinceStatus.start();
        }
        if (sinceStatus.elapsed() >= kCopyStatusEveryMs || done == total) {
            sinceStatus.restart();
            const int percent = total > 0 ? int(done * 100 / total) : 100;
            m_host.ShowStatus(QStringLiteral("Moving %1: %2 %").arg(shownName).arg(percent));
        }
        if (sincePass.elapsed() >= kCopyPassEveryMs) {
            sincePass.restart();
            m_host.letMessagesBeProcessed();
        }
        return !m_cancelAsked && !m_host.program().StopRequested;
    });

    RecordedRemoval request;
    request.path = m_request.path;
    request.listed = m_request.listed;
    request.block = m_request.logBlock;
    request.action = RemovalAction::Move;
    request.destFolder = m_folderList->path();
    const RemovalRecord record = m_mover ? m_mover(request.destFolder)
                                 : m_request.carryOut
                                     ? m_request.carryOut(request.destFolder)
                                     : removeWithRecord(request, &m_host.program().Log, m_host.program(), m_host.run());
    if (copying)
        m_host.ShowStatus(QString());
    // Given up on request (Cancel, or the program is ending): nothing to report, nothing recorded.
    const bool refused = record.outcome == ActOutcome::Refused || record.outcome == ActOutcome::NotSupported;
    if (refused && (m_cancelAsked || m_host.program().StopRequested)) {
        finish(false);
        return;
    }
    m_result.record = record;
    if (record.outcome == ActOutcome::Done) {
        // The file has moved whatever the log says; a lost line still stops the search.
        m_result.destFolder = request.destFolder;
        m_result.newPath = joinPath(request.destFolder, baseName(m_request.path));
    }
    // A file that changed is told once its record is in the log.
    if (record.outcome != ActOutcome::Changed || record.logged) {
        const OutcomeMessage told =
            outcomeMessage(Teller::MoveDialog, request.action, record.outcome, displayPath(m_request.path));
        if (!told.text.isEmpty())
            msgBox(told.text, told.style);
    }
    finish(true);
}

void MoveForm::onCancelClicked()
{
    // During a copy the copy is given up; onOkClicked then ends the dialog.
    if (!m_okButton->isEnabled()) {
        m_cancelAsked = true;
        m_cancelButton->setEnabled(false);
        return;
    }
    finish(false);
}

void MoveForm::reject()
{
    // Escape while the move runs (buttons disabled) must not end the dialog halfway.
    if (m_cancelButton->isEnabled())
        onCancelClicked();
}

void MoveForm::onDriveListFocused()
{
    m_lastDrive = m_driveList->mountPoint();
}

void MoveForm::onDriveChanged(const QByteArray& mountPoint)
{
    const QByteArray previousRoot = m_folderList->root();
    m_folderList->setRoot(mountPoint);
    if (!m_folderList->setPath(mountPoint)) {
        m_folderList->setRoot(previousRoot);
        msgBox(QStringLiteral("Drive is unavailable."), MsgCritical);
        m_driveList->setMountPoint(m_lastDrive);
        return;
    }
    m_lastDrive = mountPoint;
}

} // namespace bv
