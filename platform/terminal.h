// SPDX-License-Identifier: GPL-3.0-or-later
// What a program run from a shell, a script or a scheduler needs of its terminal and of the
// signals that ask it to stop.
//
// A stop signal (SIGINT from Ctrl+C, SIGTERM from kill or a service manager) only records that
// it came: the handler does nothing else, so a run is never cut in the middle of a removal or a
// log line. The run polls stopSignal() between files and ends cleanly; the program then exits
// with 128 + the signal's number, as a shell expects of a process a signal ended. A second signal
// changes nothing: the run is already on its way out.
//
// SIGPIPE is ignored once the handlers are in, so a reader that goes away (`| head`) shows as a
// failed write the program can handle, instead of killing it between a removal and its record.
#pragma once

#include <QByteArray>

#include <optional>

namespace bv {

// Installs the handlers for SIGINT and SIGTERM and ignores SIGPIPE.
void installStopSignals();
// The first stop signal that came, or 0.
int stopSignal();
// Records a stop as if `signal` had come (tests; a second call keeps the first signal).
void raiseStopSignal(int signal);

// True when the descriptor (0, 1, 2) is a terminal.
bool isTerminal(int fd);

// One line typed at the standard input, without its line end; nothing at the end of input or
// on a read error (a signal included).
std::optional<QByteArray> readInputLine();

} // namespace bv
