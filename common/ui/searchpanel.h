// SPDX-License-Identifier: GPL-3.0-or-later
// What every tree-wide search panel (file search, duplicates) has in common: the white printing
// surface with its black border and counter boxes, a drive list and a folder list that pick the
// start folder, Begin's two checks of that folder, the pointer and status line as the mouse moves,
// and the panel's side of a run (RunUser: messages, questions, figures, the main window's status
// line and walk screen).
//
// A panel derives from SearchPanel, builds its own controls, calls buildFolderPicker() for the
// two lists and watchPatternBoxes() / keepArrowOver() for the controls that behave alike, and
// implements what is its own (its entries, Begin, Done, its counters' captions).
//
// The start folder: the lists open at the folder given on the command line, else where the
// program was started, else the drive's root. A folder counts as chosen once the user picked a
// drive or a folder, or while the list shows the command line's folder; Begin asks before it
// searches the folder nobody chose, and searches nothing when the folder chosen was replaced
// since (platform/chosenfolder.h).
#pragma once

#include "common/runuser.h"
#include "common/ui/panelhost.h"
#include "common/ui/printsurface.h"
#include "platform/chosenfolder.h"

#include <QByteArray>
#include <QRect>
#include <QString>

class QComboBox;

namespace bv {

class DirList;
class DriveList;

class SearchPanel : public PrintSurface, public Panel, public RunUser
{
    Q_OBJECT
public:
    SearchPanel(PanelHost& host, QWidget* parent);
    ~SearchPanel() override;

    QWidget* widget() override { return this; }

    // The folder picker's events.
    void onFolderOpened();
    void onDriveListFocused();
    void onDriveChanged();

    // Whether the user picked a drive or folder since the last reset (otherwise Begin asks).
    bool pathChosen() const { return m_pathChosen; }

    // The run's user.
    void tell(const QString& text, int style, const QString& title = QStringLiteral("Brisvane!")) override;
    bool ask(const QString& text, int style, const QString& title = QStringLiteral("Brisvane!")) override;
    void showFigures(const RunValues& figures) override;
    void showStatus(const QString& text) override;
    WalkScreen& walkScreen() override;
    void letEventsIn() override;

protected:
    // The drive list and the folder list, with their original control names, at those places.
    void buildFolderPicker(const QString& driveName, const QRect& driveRect, const QString& folderName,
                           const QRect& folderRect);
    // The same for the two lists a layout table made: this wires them up and opens the start folder.
    void adoptFolderPicker(DriveList* driveList, DirList* folderList);
    // Focus on a pattern box (made by patternBox()) shows the wildcard hint on the status line.
    void watchPatternBoxes(QComboBox* first, QComboBox* second);
    // The control that stays usable while a search runs keeps the arrow pointer.
    void keepArrowOver(QWidget* control);
    // Begin's checks of the start folder, after the panel's own entries: the default folder asked
    // for when none was chosen, and the chosen folder still the one picked. False: no search.
    bool folderReadyForBegin();
    // After a reset: the command line's folder counts as chosen while the list shows it.
    void resetFolderChoice();
    // Whether moving the mouse over the panel wipes the status line now (not while a search's
    // results are on show there).
    virtual bool mayWipeStatus() const { return true; }

    void paintBackground(QPainter& painter) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

    PanelHost& m_host;
    DriveList* m_driveList = nullptr;
    DirList* m_folderList = nullptr;

private:
    bool showsStartFolder() const;

    QByteArray m_lastDrive;
    bool m_pathChosen = false;
    ChosenFolder m_chosenFolder; // what the folder list's folder was when it was picked
    QComboBox* m_patternBoxes[2] = {};
    QWidget* m_arrowControl = nullptr;
};

} // namespace bv
