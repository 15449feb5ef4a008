// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/terminal.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace bv {

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void recordStop(int signal)
{
    if (g_stopSignal == 0)
        g_stopSignal = signal;
}

} // namespace

void installStopSignals()
{
    struct sigaction action = {};
    action.sa_handler = recordStop;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a read waiting for the user's answer returns, so the program sees the stop.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

int stopSignal()
{
    return g_stopSignal;
}

void raiseStopSignal(int signal)
{
    recordStop(signal);
}

bool isTerminal(int fd)
{
    return ::isatty(fd) == 1;
}

std::optional<QByteArray> readInputLine()
{
    QByteArray line;
    for (;;) {
        char c = 0;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR && g_stopSignal == 0)
            continue;
        if (n <= 0)
            return line.isEmpty() || n < 0 ? std::nullopt : std::optional<QByteArray>(line);
        if (c == '\n')
            return line;
        line.append(c);
    }
}

} // namespace bv
