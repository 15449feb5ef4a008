// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/quitsignals.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <utility>

namespace bv {

namespace {

int g_signalPipe[2] = {-1, -1};

extern "C" void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void onQuitRequests(std::function<void()> handler, bool atSessionEnd)
{
    auto once = std::make_shared<std::function<void()>>(std::move(handler));
    auto run = [once] {
        if (*once)
            std::exchange(*once, {})();
    };
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        struct sigaction sa
        {
        };
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        for (const int sig : {SIGTERM, SIGINT, SIGHUP})
            ::sigaction(sig, &sa, nullptr);
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [run] {
            char buf[16];
            while (::read(g_signalPipe[0], buf, sizeof buf) > 0) {
            }
            run();
        });
    }
    // The session manager ends the program after this; it must be clean by then.
    if (atSessionEnd)
        QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, qGuiApp, [run](QSessionManager&) { run(); });
}

} // namespace bv
