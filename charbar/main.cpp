// SPDX-License-Identifier: GPL-3.0-or-later
// Quillbar: a floating bar of twelve buttons that types special characters into another
// window, found by its title. Start-up chooses the X11 platform where there is one, reads the
// settings, shows the bar, and makes sure the settings are written however the program ends.
#include "common/commandline.h"
#include "charbar/core/settings.h"
#include "charbar/ui/artwork.h"
#include "charbar/ui/characterbar.h"
#include "charbar/x11_window_service.h"
#include "platform/desktop.h"
#include "platform/filesizelimit.h"
#include "platform/messages.h"
#include "platform/ui/designedlook.h"
#include "platform/ui/messagebox_qt.h"
#include "platform/ui/quitsignals.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSessionManager>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

bv::quill::CharacterBar* g_bar = nullptr; // while the event loop runs

// When the X server goes away the process ends without returning through the event loop: Qt
// calls exit() when its own connection breaks, Xlib when ours does (after our handler). The
// settings are written on the way out either way.
void saveBeforeAbruptEnd()
{
    if (g_bar)
        g_bar->writeSettings();
}

const bv::CommandLineSpec kCommandLine{
    QStringLiteral("quillbar"),
    QStringLiteral("Quillbar"),
    QStringLiteral("Quillbar is a floating bar of twelve buttons that types special characters into another\n"
                   "window, found by its title. F1 in its assignment dialog opens the help document."),
    false,
    {}};

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
            const QByteArray help = bv::helpDocumentPath();
            const bv::OpenOutcome opened = bv::openWithDefaultApp(help);
            if (opened.result != bv::OpenResult::Opened)
                bv::msgBox(bv::openFailureText(QStringLiteral("The help document"), help, opened), bv::MsgExclamation,
                           QStringLiteral("Quillbar"));
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char** argv)
{
    bv::letWritesFailAtFileSizeLimit();
    // --help, --version and a mistake on the command line are answered before the display is
    // opened, so they work without one.
    if (const std::optional<int> rc = bv::answerEarly(kCommandLine, argc, argv))
        return *rc;

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
    bv::useDesignedLook(); // the designed colours under a dark desktop theme too
    const std::optional<bv::CommandLineRequest> request = bv::parseRequest(kCommandLine, argc, argv);
    if (!request)
        return 2;
    HelpKey helpKey;
    app.installEventFilter(&helpKey);
    QApplication::setQuitOnLastWindowClosed(false); // the bar ends the program, not a closed box
    bv::QtMessageService messages;
    bv::setMessageService(&messages);
    // A `kill` ends the program through the event loop, so the settings are written and the spare
    // keycodes given back. (At a logout the session manager's save request writes them.)
    bv::onQuitRequests([] { QCoreApplication::quit(); }, false);

    bv::quill::X11WindowService service(hasX11 || !hasWayland);
    bv::quill::QuillSettings defaults;
    defaults.buttonFont = QApplication::font().family();
    const QString path = bv::quill::settingsFilePath();
    QString unreadable;
    const bv::quill::QuillSettings settings = bv::quill::loadSettings(path, defaults, &unreadable);
    bv::quill::CharacterBar bar(service, settings, path);

    QObject::connect(&app, &QGuiApplication::commitDataRequest, &bar,
                     [&bar](QSessionManager&) { bar.writeSettings(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &bar, [&bar] { bar.writeSettings(); });

    g_bar = &bar;
    bv::quill::X11WindowService::setConnectionLostHandler(saveBeforeAbruptEnd);
    std::atexit(saveBeforeAbruptEnd);

    bar.show();
    // A first start (no file) is no failure and says nothing; a file that is there but cannot be
    // read is, and the user would otherwise only find empty buttons. Said from the event loop, so
    // a signal that comes meanwhile still ends the program.
    if (!unreadable.isEmpty())
        QTimer::singleShot(0, &bar, [&path, &unreadable] {
            bv::msgBox(QStringLiteral("Quillbar could not read its settings from %1 (%2), so its buttons start empty.")
                           .arg(path, unreadable),
                       bv::MsgExclamation, QStringLiteral("Quillbar"));
        });
    const int rc = app.exec();
    g_bar = nullptr;
    bv::setMessageService(nullptr);
    return rc;
}
