// SPDX-License-Identifier: GPL-3.0-or-later
// Ending a program cleanly when the system asks it to: SIGTERM, SIGINT and SIGHUP (a `kill`, a
// closed terminal, a logout) and the desktop session's end. The handler runs on the GUI thread,
// from the event loop (or from the passes a long run makes), never inside the signal handler.
#pragma once

#include <functional>

namespace bv {

// Installs the signal handlers and, with atSessionEnd, connects the session's end (the session
// manager's save request); `handler` runs at most once. Call after the QApplication exists.
void onQuitRequests(std::function<void()> handler, bool atSessionEnd = true);

} // namespace bv
