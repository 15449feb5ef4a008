// Quillbar: a floating bar of twelve buttons that types special characters into another
// window, found by its title. Start-up chooses the X11 platform where there is one, reads the
// settings, shows the bar, and makes sure the settings are written however the program ends.
#include "charbar/core/settings.h"
#include "charbar/ui/quillbar.h"
#include "charbar/x11_window_service.h"
#include "platform/ui/messagebox_qt.h"

#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};
bv::quill::Quillbar* g_bar = nullptr; // while the event loop runs

// When the X server goes away the process ends without returning through the event loop: Qt
// calls exit() when its own connection breaks, Xlib when ours does (after our handler). The
// settings are written on the way out either way.
void saveBeforeAbruptEnd()
{
    if (g_bar)
        g_bar->writeSettings();
}

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(g_signalPipe[1], &byte, 1);
}

// A logout or `kill` ends the program through the event loop, so the settings are written and
// the spare keycodes given back.
void quitOnSignals()
{
    if (pipe(g_signalPipe) != 0)
        return;
    for (const int sig : {SIGTERM, SIGINT, SIGHUP})
        std::signal(sig, onSignal);
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] { QCoreApplication::quit(); });
}

} // namespace

int main(int argc, char** argv)
{
    const bool hasX11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool hasWayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    // Only an X11 client can place itself and reach other X11 windows; XWayland gives us one.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (hasX11 && (platform.isEmpty() || platform.startsWith("wayland")))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillbar"));
    QApplication::setQuitOnLastWindowClosed(false); // the bar ends the program, not a closed box
    bv::QtMessageService messages;
    bv::setMessageService(&messages);
    quitOnSignals();

    bv::quill::X11WindowService service(hasX11 || !hasWayland);
    bv::quill::QuillSettings defaults;
    defaults.buttonFont = QApplication::font().family();
    const QString path = bv::quill::settingsFilePath();
    bv::quill::Quillbar bar(service, bv::quill::loadSettings(path, defaults), path);

    QObject::connect(&app, &QGuiApplication::commitDataRequest, &bar,
                     [&bar](QSessionManager&) { bar.writeSettings(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &bar, [&bar] { bar.writeSettings(); });

    g_bar = &bar;
    bv::quill::X11WindowService::setConnectionLostHandler(saveBeforeAbruptEnd);
    std::atexit(saveBeforeAbruptEnd);

    bar.show();
    const int rc = app.exec();
    g_bar = nullptr;
    bv::setMessageService(nullptr);
    return rc;
}
