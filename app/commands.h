// SPDX-License-Identifier: GPL-3.0-or-later
// Which commands of the main window can be used, as a pure function of what the window shows.
//
// The main window has three looks of its command bar: idle (everything usable), locked (a panel
// is open, a search runs, or a duplicate search has finished and waits for Done), and the log
// view (the locked commands plus Print). Help, Refresh, About and Exit are always usable, so
// the user can always get help or quit. Opening a feature (a panel or a tools window) is
// possible only from the idle window.
#pragma once

#include <cstdint>

namespace bv {

// What the main window shows.
enum class Situation {
    Idle,      // no panel: the grey work area
    PanelOpen, // a search panel is open, whether a run of its feature goes on or has finished
    LogView,   // the log panel is shown
};

// The three pictures of the icon bar, in the order the window keeps them.
enum class CommandLook : std::uint8_t { AllEnabled = 0, AllDisabled = 1, PrintEnabled = 2 };

// The commands whose state depends on the situation; every feature (panel or tools window)
// shares one rule, so a new feature needs no entry here.
enum class Command { OpenLog, Print, Feature, Exit, Refresh, HelpContents, About };

CommandLook commandLook(Situation situation);
bool commandEnabled(CommandLook look, Command command);

} // namespace bv
