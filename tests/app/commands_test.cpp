// SPDX-License-Identifier: GPL-3.0-or-later
// The command states of the main window, as one table: what the user can reach in each
// situation. Help, Refresh, About and Exit are always there; features open only from idle.
#include "app/commands.h"

#include <gtest/gtest.h>

using namespace bv;

TEST(Commands, EachSituationEnablesItsCommands)
{
    struct Row
    {
        Situation situation;
        CommandLook look;
        bool openLog, print, feature;
    };
    const Row rows[] = {
        {Situation::Idle, CommandLook::AllEnabled, true, true, true},
        {Situation::PanelOpen, CommandLook::AllDisabled, false, false, false},
        {Situation::LogView, CommandLook::PrintEnabled, false, true, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(int(r.situation));
        const CommandLook look = commandLook(r.situation);
        EXPECT_EQ(look, r.look);
        EXPECT_EQ(commandEnabled(look, Command::OpenLog), r.openLog);
        EXPECT_EQ(commandEnabled(look, Command::Print), r.print);
        EXPECT_EQ(commandEnabled(look, Command::Feature), r.feature);
        for (Command always : {Command::Exit, Command::Refresh, Command::HelpContents, Command::About})
            EXPECT_TRUE(commandEnabled(look, always));
    }
}
