// Quillbar: a floating bar of twelve buttons that types special characters into another
// window, found by its title. Start-up chooses the X11 platform where there is one, reads the
// settings, shows the bar, and makes sure the settings are written however the program ends.
#include "app/commandline.h"
#include "charbar/core/settings.h"
#include "charbar/ui/artwork.h"
#include "charbar/ui/quillbar.h"
#include "charbar/x11_window_service.h"
#include "platform/desktop.h"
#include "platform/ui/messagebox_qt.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
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

QList<QByteArray> argumentBytes(int argc, char** argv)
{
    QList<QByteArray> args;
    for (int i = 1; i < argc; ++i)
        args.append(QByteArray(argv[i]));
    return args;
}

const bv::CommandLineSpec kCommandLine{
    QStringLiteral("quillbar"),
    QStringLiteral("Quillbar"),
    QStringLiteral("Quillbar is a floating bar of twelve buttons that types special characters into another\n"
                   "window, found by its title. F1 in its assignment dialog opens the help document."),
    false,
    {}};

int print(std::FILE* stream, const QString& text, int rc)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    return rc;
}

// The bar's popup menu holds exactly its three commands and the bar never takes the keyboard (it
// types into another window), so help is F1 wherever a Quillbar window has the keyboard: the
// assignment dialog.
class HelpKey : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
            watched->isWidgetType()) {
            bv::openWithDefaultApp(bv::helpDocumentPath()); // a missing browser is not reported
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char** argv)
{
    using Action = bv::CommandLineRequest::Action;
    // --help and --version are answered before the display is opened, so they work without one.
    const Action early = bv::parseCommandLine(kCommandLine, argumentBytes(argc, argv)).action;
    if (early == Action::Help || early == Action::Version) {
        const QCoreApplication core(argc, argv); // for the executable's folder, where the help is
        bv::CommandLineSpec spec = kCommandLine;
        spec.helpDocument = bv::helpDocumentPath();
        return print(stdout, bv::parseCommandLine(spec, argumentBytes(argc, argv)).text, 0);
    }

    const bool hasX11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool hasWayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    // Only an X11 client can place itself and reach other X11 windows; XWayland gives us one.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (hasX11 && (platform.isEmpty() || platform.startsWith("wayland")))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillbar"));
    QApplication::setApplicationVersion(QStringLiteral(BV_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(BV_DESKTOP_ID)); // its desktop entry: icon and name
    QApplication::setWindowIcon(bv::quill::quillIcon());                // every window's, the dialog too
    // The toolkit has taken its own options (-platform, -style, ...) out of argv by now.
    const bv::CommandLineRequest request = bv::parseCommandLine(kCommandLine, argumentBytes(argc, argv));
    if (request.action == Action::Error)
        return print(stderr, request.text, 2);
    HelpKey helpKey;
    app.installEventFilter(&helpKey);
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
