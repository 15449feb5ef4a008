// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commands.h"

namespace bv {

CommandLook commandLook(Situation situation)
{
    switch (situation) {
    case Situation::Idle:
        return CommandLook::AllEnabled;
    case Situation::LogView:
        return CommandLook::PrintEnabled;
    case Situation::PanelOpen:
        break;
    }
    return CommandLook::AllDisabled;
}

bool commandEnabled(CommandLook look, Command command)
{
    switch (command) {
    case Command::Exit:
    case Command::Refresh:
    case Command::HelpContents:
    case Command::About:
        return true;
    case Command::Print:
        return look != CommandLook::AllDisabled;
    case Command::OpenLog:
    case Command::Feature:
        return look == CommandLook::AllEnabled;
    }
    return false;
}

} // namespace bv
