// SPDX-License-Identifier: GPL-3.0-or-later
// The hidden window behind the bar: it holds the 4200 ms timer that re-applies the
// always-on-top state, and the button menu the bar pops up on a right click. It is never
// shown. It also opens the assignment dialog, which it creates on first use and keeps.
#pragma once

#include <QWidget>

class QAction;
class QMenu;
class QTimer;

namespace bv::quill {

class CharacterBar;
class AssignDialog;

class BarOptions : public QWidget
{
    Q_OBJECT

public:
    explicit BarOptions(CharacterBar& bar);
    ~BarOptions() override;

    AssignDialog& assignDialog();
    bool hasAssignDialog() const { return m_assignDialog != nullptr; }

    // The timer and the button menu (each keeps its designed name as its object name).
    QTimer* topmostTimer = nullptr;       // "Timer1": asks for the always-on-top state again
    QMenu* buttonMenu = nullptr;          // "ButtonOptions"
    QAction* assignAction = nullptr;      // "AddCharacter": Assign New Character
    QAction* firstSeparator = nullptr;    // "dummyline"
    QAction* copyAction = nullptr;        // "CopyOption": Copy to ClipBoard
    QAction* secondSeparator = nullptr;   // "dummyline2"
    QAction* alwaysOnTopAction = nullptr; // "AlwaysOnTop"

    // What the timer and the menu's items do.
    void reapplyTopmost();
    void assignCharacter();
    void copyCharacter();
    void onAlwaysOnTopToggled(); // after the menu has toggled the tick

private:
    CharacterBar& m_bar;
    AssignDialog* m_assignDialog = nullptr;
};

} // namespace bv::quill
