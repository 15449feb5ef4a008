// SPDX-License-Identifier: GPL-3.0-or-later
// The exit statuses of brisvane-cli, for the scripts and timers that run it.
#pragma once

namespace bv::cli {

enum ExitStatus : int {
    ExitDone = 0,           // everything asked was done
    ExitSomeNotRemoved = 1, // some files could not be removed (each told on standard error)
    ExitUsage = 2,          // the command line could not be understood; nothing was done
    ExitCannotStart = 3,    // the run could not start (no such folder, no usable trash): nothing removed
};

// A run a signal stopped ends as a shell expects of a process the signal ended.
constexpr int exitForSignal(int signal)
{
    return 128 + signal;
}

} // namespace bv::cli
