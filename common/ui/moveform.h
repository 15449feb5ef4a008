// SPDX-License-Identifier: GPL-3.0-or-later
// The move-to dialog: the user picks a folder and the file on display is moved there instead
// of being removed. Opened modally by a verification window (the file search's or the
// duplicate review's), which describes the file and its log block in a MoveRequest.
//
// The move goes through the recorded removal (common/recordedremoval.h): the file is checked
// again first, a file that changed or vanished since it was listed stays where it is (and the
// log says so), and an existing file of the same name in the destination is never overwritten
// ("Could not move this file."). A successful move is logged as the caller's block, then its
// ACTION line naming the folder and an empty line; a refused one is not logged, the file being
// still there for another decision. A move to another drive copies the file: meanwhile the
// dialog keeps answering, the main window's status line shows how far the copy is, and Cancel
// gives the copy up (not chosen after all, the file where it was).
#pragma once

#include "common/recordedremoval.h"
#include "common/ui/layout.h"
#include "platform/fsinfo.h"

#include <QByteArray>
#include <QDialog>
#include <QList>

#include <functional>

class QPushButton;

namespace bv {

class PanelHost;
class DirList;
class DriveList;

struct MoveRequest
{
    QByteArray path; // native bytes
    FileInfo listed; // the listing's lstat, for the re-check
};

struct MoveResult
{
    // A folder was picked and the move tried; false when the user cancelled (nothing happened).
    bool chosen = false;
    // What became of the file: Done (moved), Changed or Vanished (not moved, logged, the user
    // told of a change), Refused or NotSupported ("Could not move this file.": nothing happened,
    // nothing logged), NotTouched. logged false: a log line could not be written and the search
    // was told to stop (the file has moved when only the ACTION line was lost: see below).
    RemovalRecord record;
    QByteArray destFolder; // moved: the folder it went to
    QByteArray newPath;    // moved: where the file is now
};

class MoveForm : public QDialog
{
    Q_OBJECT
public:
    MoveForm(PanelHost& host, QWidget* parent);

    // The dialog's controls, as data (common/ui/layout.h).
    static const LayoutTable& layout();

    // What moves the file into the folder picked, with its record: the run's own move. The
    // dialog keeps answering meanwhile and shows how far a copy is.
    using Mover = std::function<RemovalRecord(const QByteArray& folder)>;

    // Shows the dialog modally for one file and returns what became of it. The run that put the
    // file to the user moves it (and records the move): the dialog only picks the folder.
    MoveResult moveFile(const MoveRequest& request, Mover mover);

    // Event handlers.
    void onOkClicked();
    void onCancelClicked();
    void onDriveListFocused();
    void onDriveChanged(const QByteArray& mountPoint);

    DirList* folderList() const { return m_folderList; }
    DriveList* driveList() const { return m_driveList; }

protected:
    void reject() override; // Escape: Cancel

private:
    void finish(bool chosen);

    PanelHost& m_host;
    MoveRequest m_request;
    Mover m_mover;
    MoveResult m_result;
    QByteArray m_lastDrive;
    bool m_cancelAsked = false; // Cancel pressed while the file was being copied

    DriveList* m_driveList = nullptr;
    DirList* m_folderList = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_okButton = nullptr;
};

} // namespace bv
