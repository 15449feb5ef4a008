// SPDX-License-Identifier: GPL-3.0-or-later
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
#include "common/ui/layout.h"

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

using namespace bv::layout;

// The dialog, as designed. The two lists have no caption beside them: each is named for a
// screen reader (Linux screen readers read a drop-down list by its current entry, the drive, and
// use the name only while it is empty). The folder list comes first in the tab order: it is
// what the user came for.
constexpr ControlSpec kControls[] = {
    {"Drive1", Kind::DriveList, {45, 30, 2865, 330}, "", kWindowFont, {}, 2, Plain, nullptr, "Drive"},
    {"Dir1", Kind::DirList, {45, 375, 2865, 990}, "", kWindowFont, {}, 1, Plain, nullptr, "Folder"},
    {"CancelButton", Kind::Button, {705, 1410, 1095, 345}, "&Cancel", kWindowFont, {}, 4},
    {"OkButton", Kind::Button, {1815, 1410, 1095, 345}, "&OK", kWindowFont, {}, 3},
};

constexpr LayoutTable kLayout{{"MoveForm", "Move To...", 2955, 1770, kArial825}, kControls};

} // namespace

const LayoutTable& MoveForm::layout()
{
    return kLayout;
}

MoveForm::MoveForm(PanelHost& host, QWidget* parent) : QDialog(parent), m_host(host)
{
    // Fixed border, no close box: the dialog ends through OK or Cancel.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    applyForm(this, kLayout);
    const Controls controls = buildLayout(this, kLayout);
    m_driveList = controls.get<DriveList>("Drive1");
    m_folderList = controls.get<DirList>("Dir1");
    m_cancelButton = controls.get<QPushButton>("CancelButton");
    m_okButton = controls.get<QPushButton>("OkButton");
    m_okButton->setDefault(true);
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

    const QByteArray destFolder = m_folderList->path();
    const RemovalRecord record = m_mover(destFolder);
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
        m_result.destFolder = destFolder;
        m_result.newPath = joinPath(destFolder, baseName(m_request.path));
    }
    // A file that changed is told once its record is in the log.
    if (record.outcome != ActOutcome::Changed || record.logged) {
        const OutcomeMessage told =
            outcomeMessage(Teller::MoveDialog, RemovalAction::Move, record.outcome, displayPath(m_request.path));
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
