// SPDX-License-Identifier: GPL-3.0-or-later
// Quillbar on a real X server (Xvfb, started by run_x11_test.sh, with or without openbox): the
// bar's buttons are pressed with the XTest mouse, and a host window in another process must
// receive each character itself, in order, also while it is busy, and must have the focus again
// after the mouse button is released. At exit the keyboard mapping must be as it was.
//
// Below the bar, the desktop layer and the window service are driven directly against windows
// of this test: keys only into the focused window and as the characters themselves, the frame
// raised by a direct activation, spare keycodes given back, a focus wait that blocks nothing.
#include "charbar/x11_window_service.h"
#include "platform/x11/xdesktop.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Xlib last: its macros must not meet the headers above.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

extern char** environ;

namespace {

const std::string kHostTitle = "Quill Test Host - typing";
const char* const kHostCaption = "Quill Test Host"; // found by its beginning
const std::string kExpected = "a%+\u00e9\u00a9\u20ac";

bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
    }
    return true;
}

pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
            const posix_spawn_file_actions_t* actions = nullptr)
{
    std::vector<std::string> env(extraEnv);
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    std::vector<char*> argv, envp;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const auto& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    pid_t pid = 0;
    return posix_spawnp(&pid, args[0].c_str(), actions, nullptr, argv.data(), envp.data()) == 0 ? pid : 0;
}

// Waits for the process to end; kills it after the timeout. Its exit status, or -1.
int reap(pid_t pid, int timeoutMs)
{
    int status = 0;
    const bool ended = waitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string fileText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

int ignoreXError(Display*, XErrorEvent*)
{
    return 0; // windows of the previous test may vanish while the tree is walked
}

class Screen
{
public:
    // Opening was refused once in about thirty runs, right after the previous test's programs
    // ended, with no reason from Xlib: a short retry, and the error kept for the message.
    explicit Screen(const char* name = nullptr)
    {
        for (int attempt = 0; attempt < 20 && !dpy; ++attempt) {
            if (attempt)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            dpy = XOpenDisplay(name);
            if (!dpy)
                openError = errno;
        }
        XSetErrorHandler(ignoreXError);
    }
    ~Screen()
    {
        if (dpy)
            XCloseDisplay(dpy);
    }

    Display* dpy = nullptr;
    int openError = 0;

    std::string title(Window w) const
    {
        XTextProperty p{};
        std::string out;
        if (XGetWMName(dpy, w, &p) && p.value) {
            out.assign(reinterpret_cast<const char*>(p.value), p.nitems);
            XFree(p.value);
        }
        return out;
    }

    std::string instanceName(Window w) const
    {
        XClassHint hint{};
        std::string out;
        if (XGetClassHint(dpy, w, &hint)) {
            out = hint.res_name ? hint.res_name : "";
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
        return out;
    }

    bool viewable(Window w) const
    {
        XWindowAttributes a{};
        return XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable;
    }

    // The first window under `from` that the predicate accepts and that is on screen.
    Window find(const std::function<bool(Window)>& accept, Window from = 0) const
    {
        if (!from)
            from = DefaultRootWindow(dpy);
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(dpy, from, &root, &parent, &children, &n))
            return 0;
        Window found = 0;
        for (unsigned int i = 0; i < n && !found; ++i) {
            if (accept(children[i]) && viewable(children[i]))
                found = children[i];
            else
                found = find(accept, children[i]);
        }
        if (children)
            XFree(children);
        return found;
    }

    bool hasFocus(Window w) const
    {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(dpy, &focus, &revert);
        while (focus > PointerRoot) {
            if (focus == w)
                return true;
            Window root = 0, parent = 0, *children = nullptr;
            unsigned int n = 0;
            if (!XQueryTree(dpy, focus, &root, &parent, &children, &n))
                return false;
            if (children)
                XFree(children);
            focus = parent == root ? 0 : parent;
        }
        return false;
    }

    std::pair<int, int> origin(Window w) const
    {
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &x, &y, &child);
        return {x, y};
    }

    void click(int x, int y, int holdMs = 60) const
    {
        XTestFakeMotionEvent(dpy, -1, x, y, CurrentTime);
        XTestFakeButtonEvent(dpy, 1, True, CurrentTime);
        XSync(dpy, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
        XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
        XSync(dpy, False);
    }

    std::vector<KeySym> keymapOf(KeyCode first, int count = 1) const
    {
        int perKey = 0;
        KeySym* syms = XGetKeyboardMapping(dpy, first, count, &perKey);
        std::vector<KeySym> out(syms, syms + count * perKey);
        XFree(syms);
        return out;
    }

    std::vector<KeySym> keymap() const
    {
        int min = 0, max = 0;
        XDisplayKeycodes(dpy, &min, &max);
        return keymapOf(KeyCode(min), max - min + 1);
    }

    // The manager announces itself before its start-up is over, and a window mapped in between
    // may be lost (openbox drops such map requests): a probe window is mapped until it is framed.
    bool managerHandlesWindows() const
    {
        const Window root = DefaultRootWindow(dpy);
        const Window probe = XCreateSimpleWindow(dpy, root, 0, 0, 10, 10, 0, 0, 0);
        const auto framed = [&] {
            Window r = 0, parent = 0, *children = nullptr;
            unsigned int n = 0;
            if (!XQueryTree(dpy, probe, &r, &parent, &children, &n))
                return false;
            if (children)
                XFree(children);
            return parent != root;
        };
        bool ok = false;
        for (int attempt = 0; attempt < 60 && !ok; ++attempt) {
            XMapWindow(dpy, probe);
            XSync(dpy, False);
            ok = waitFor(framed, 500);
        }
        XDestroyWindow(dpy, probe);
        XSync(dpy, False);
        return ok;
    }

    Window topLevel(Window w) const
    {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int n = 0;
        while (XQueryTree(dpy, w, &root, &parent, &children, &n)) {
            if (children)
                XFree(children);
            if (parent == root || !parent)
                break;
            w = parent;
        }
        return w;
    }

    // Whether a's top-level window (its frame, if it has one) is stacked above b's.
    bool stackedAbove(Window a, Window b) const
    {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n))
            return false;
        const std::vector<Window> order(children, children + n); // bottom first
        XFree(children);
        const auto ia = std::find(order.begin(), order.end(), topLevel(a));
        const auto ib = std::find(order.begin(), order.end(), topLevel(b));
        return ia != order.end() && ib != order.end() && ia > ib;
    }

    Atom atom(const char* name) const { return XInternAtom(dpy, name, False); }

    // A request about a window to the window manager, as a pager or wmctrl sends it.
    void tellManager(Window w, const char* message, long l0, long l1) const
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = w;
        event.xclient.message_type = atom(message);
        event.xclient.format = 32;
        event.xclient.data.l[0] = l0;
        event.xclient.data.l[1] = l1;
        event.xclient.data.l[3] = 2;
        XSendEvent(dpy, DefaultRootWindow(dpy), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        XSync(dpy, False);
    }

    // A window of this test that reports its key presses; mapped unless told otherwise.
    Window makeWindow(const char* title, int x, int y, Window parent = 0, bool map = true) const
    {
        const Window w = XCreateSimpleWindow(dpy, parent ? parent : DefaultRootWindow(dpy), x, y, 200, 100, 0, 0, 0);
        if (title)
            XStoreName(dpy, w, title);
        XSelectInput(dpy, w, KeyPressMask);
        if (map) {
            XMapWindow(dpy, w);
            XSync(dpy, False);
            waitFor([&] { return viewable(w); }, 5000);
        }
        XSync(dpy, False);
        return w;
    }

    // The key presses the window received, `count` of them, or what came within a moment: each
    // as the keysym name of its key at its Shift level, "^" before one pressed with Control.
    std::string keysReceived(Window w, size_t count)
    {
        std::string out;
        size_t n = 0;
        const auto collect = [&] {
            XSync(dpy, False);
            XEvent e{};
            while (XCheckWindowEvent(dpy, w, KeyPressMask, &e)) {
                const auto map = keymapOf(KeyCode(e.xkey.keycode)); // afresh: bindings come and go
                const KeySym sym = map.at(map.size() > 1 && (e.xkey.state & ShiftMask) && map[1] ? 1 : 0);
                if (!IsModifierKey(sym) && ++n)
                    out += (out.empty() ? "" : " ") + std::string(e.xkey.state & ControlMask ? "^" : "") +
                           XKeysymToString(sym);
            }
            return count > 0 && n >= count;
        };
        if (!waitFor(collect, count > 0 ? 3000 : 300))
            collect();
        return out;
    }

    bool bound(KeySym sym) const
    {
        const auto map = keymap();
        return std::find(map.begin(), map.end(), sym) != map.end();
    }

    // Takes the key of `sym` away, as a layout change would.
    void unbind(KeySym sym) const
    {
        const KeyCode code = XKeysymToKeycode(dpy, sym);
        std::vector<KeySym> none(keymapOf(code).size(), NoSymbol);
        XChangeKeyboardMapping(dpy, code, int(none.size()), none.data(), 1);
        XSync(dpy, False);
    }

    bool windowManagerRuns() const
    {
        const Atom check = XInternAtom(dpy, "_NET_SUPPORTING_WM_CHECK", False);
        Atom type = 0;
        int format = 0;
        unsigned long n = 0, after = 0;
        unsigned char* data = nullptr;
        const bool found = XGetWindowProperty(dpy, DefaultRootWindow(dpy), check, 0, 1, False, XA_WINDOW, &type,
                                              &format, &n, &after, &data) == Success &&
                           n == 1;
        if (data)
            XFree(data);
        return found;
    }
};

bool expectWindowManager()
{
    return qEnvironmentVariableIsSet("QUILL_EXPECT_WM");
}

void waitForDesktop(const Screen& screen)
{
    ASSERT_NE(screen.dpy, nullptr) << "no X display (" << std::strerror(screen.openError)
                                   << "): run this test through run_x11_test.sh";
    const bool wantWm = expectWindowManager();
    ASSERT_TRUE(waitFor([&] { return screen.windowManagerRuns() == wantWm; }, 10000))
        << (wantWm ? "the window manager did not start" : "a window manager runs");
    if (wantWm) {
        ASSERT_TRUE(screen.managerHandlesWindows()) << "the window manager does not manage windows";
    }
}

class QuillbarOnX11 : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    Screen screen;
    pid_t host = 0;
    pid_t bar = 0;
    Window hostWindow = 0;
    Window barWindow = 0;
    std::vector<KeySym> keymapBefore;

    QString out() const { return dir.path() + "/received.txt"; }
    QString settings() const { return dir.path() + "/config/Quillbar/Quillbar.ini"; }

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(waitForDesktop(screen));
        keymapBefore = screen.keymap();

        ASSERT_TRUE(QDir().mkpath(dir.path() + "/config/Quillbar"));
        QFile ini(settings());
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        QByteArray text = "Quillbar Settings\r\n(Be careful when changing these settings.)\r\n 1500 \r\n 1500 \r\n";
        text += QByteArray(kHostCaption) + "\r\n\r\n 97 \r\n 37 \r\n 43 \r\n 233 \r\n 169 \r\n 128 \r\n";
        for (int i = 6; i < 12; ++i)
            text += "0\r\n";
        text += "0\r\n";
        ini.write(text);
    }

    void TearDown() override
    {
        if (bar)
            reap(bar, 0);
        if (host) {
            kill(host, SIGTERM);
            reap(host, 5000);
        }
    }

    void editSettings(const std::function<void(QByteArray&)>& edit)
    {
        QFile ini(settings());
        ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
        QByteArray text = ini.readAll();
        ini.close();
        edit(text);
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(text);
    }

    void startHost(int busyMs)
    {
        host = spawn({TYPING_HOST_EXE, kHostTitle, out().toStdString(), std::to_string(busyMs)}, {});
        ASSERT_NE(host, 0);
        const auto isHost = [&](Window w) { return screen.title(w) == kHostTitle; };
        ASSERT_TRUE(waitFor([&] { return (hostWindow = screen.find(isHost)) != 0; }, 15000))
            << "the host window did not appear";
    }

    void startBar()
    {
        bar = spawn({QUILLBAR_EXE}, {"XDG_CONFIG_HOME=" + (dir.path() + "/config").toStdString()});
        ASSERT_NE(bar, 0);
        const auto isBar = [&](Window w) { return screen.instanceName(w) == "quillbar"; };
        ASSERT_TRUE(waitFor([&] { return (barWindow = screen.find(isBar)) != 0; }, 15000)) << "the bar did not appear";
        std::this_thread::sleep_for(std::chrono::milliseconds(500)); // let it settle where the manager put it
    }

    // Button i's centre on the screen: frame 3 px, buttons 17 px apart from 0, 18 px square at 12.
    std::pair<int, int> buttonCentre(int i) const
    {
        const auto [x, y] = screen.origin(barWindow);
        return {x + 3 + 17 * i + 9, y + 3 + 12 + 9};
    }

    void stopBarByItsExitSpot()
    {
        const auto [x, y] = screen.origin(barWindow);
        screen.click(x + 3 + 196, y + 3 + 5);
        EXPECT_EQ(reap(bar, 10000), 0) << "the bar did not end through its exit spot";
        bar = 0;
        EXPECT_EQ(screen.keymap(), keymapBefore) << "the spare keycodes were not given back";
        EXPECT_TRUE(fileText(settings()).find(" 233 \r\n 169 \r\n 128 \r\n") != std::string::npos);
    }
};

TEST_F(QuillbarOnX11, EachButtonTypesItsCharacterAndTheHostKeepsTheFocus)
{
    startHost(0);
    startBar();
    // What the host holds after each button (UTF-8).
    const std::string want[] = {"a", "a%", "a%+", "a%+\u00e9", "a%+\u00e9\u00a9", kExpected};
    for (int i = 0; i < 6; ++i) {
        const auto [x, y] = buttonCentre(i);
        screen.click(x, y);
        ASSERT_TRUE(waitFor([&] { return fileText(out()) == want[i]; }, 5000))
            << "after button " << i << " the host has \"" << fileText(out()) << "\"";
        EXPECT_TRUE(waitFor([&] { return screen.hasFocus(hostWindow); }, 1500)) << "button " << i;
    }
    stopBarByItsExitSpot();
}

TEST_F(QuillbarOnX11, ABusyHostGetsEveryCharacterInOrder)
{
    startHost(250);
    startBar();
    // Brisk human clicking: the host, which takes 250 ms a key, falls seconds behind.
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 6; ++i) {
            const auto [x, y] = buttonCentre(i);
            screen.click(x, y, 50);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    EXPECT_TRUE(waitFor([&] { return fileText(out()) == kExpected + kExpected; }, 20000))
        << "the host has \"" << fileText(out()) << "\"";
    EXPECT_TRUE(waitFor([&] { return screen.hasFocus(hostWindow); }, 1500));
    stopBarByItsExitSpot();
}

TEST_F(QuillbarOnX11, AMissingHostTypesNothing)
{
    startHost(0);
    // Another title: the bar finds no window, says so, and keeps its keys to itself.
    editSettings([](QByteArray& text) { text.replace(kHostCaption, "No Such Window"); });
    startBar();
    const auto [x, y] = buttonCentre(0);
    screen.click(x, y);
    // The critical box comes up: a new window titled Quillbar.
    const auto isBox = [&](Window w) { return screen.title(w) == "Quillbar"; };
    EXPECT_TRUE(waitFor([&] { return screen.find(isBox) != 0; }, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(fileText(out()), "");
    kill(bar, SIGTERM); // ends through the event loop: keycodes given back
    EXPECT_EQ(reap(bar, 10000), 0);
    bar = 0;
    EXPECT_EQ(screen.keymap(), keymapBefore);
}

TEST_F(QuillbarOnX11, AHostThatClosesGetsNothingAndNeitherDoesAnyOtherWindow)
{
    // A bystander of another title, then the host; the host dies right after a click, while the
    // bar finds it, activates it or waits for its focus: whichever, no key lands anywhere, the
    // bar goes on, and ends with its keycodes given back and its settings saved.
    const QString bystanderOut = dir.path() + "/bystander.txt";
    const pid_t bystander = spawn({TYPING_HOST_EXE, "Quill Bystander", bystanderOut.toStdString(), "0"}, {});
    ASSERT_NE(bystander, 0);
    const auto isBystander = [&](Window w) { return screen.title(w) == "Quill Bystander"; };
    ASSERT_TRUE(waitFor([&] { return screen.find(isBystander) != 0; }, 15000));
    startHost(0);
    startBar();
    const auto [x, y] = buttonCentre(0);
    screen.click(x, y);
    ASSERT_TRUE(waitFor([&] { return fileText(out()) == "a"; }, 5000));
    screen.click(x, y, 10);
    kill(host, SIGKILL);
    reap(host, 5000);
    host = 0;
    screen.click(x, y); // the host is gone: the bar says so
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(fileText(bystanderOut), "");
    EXPECT_TRUE(fileText(out()) == "a" || fileText(out()) == "aa") << fileText(out());
    kill(bar, SIGTERM);
    EXPECT_EQ(reap(bar, 10000), 0) << "the bar did not end cleanly";
    bar = 0;
    kill(bystander, SIGTERM);
    reap(bystander, 5000);
    EXPECT_EQ(screen.keymap(), keymapBefore) << "the spare keycodes were not given back";
    EXPECT_TRUE(fileText(settings()).find(" 233 \r\n 169 \r\n 128 \r\n") != std::string::npos);
}

TEST_F(QuillbarOnX11, AlwaysOnTopComesBackAfterTheStateIsTakenFromOutside)
{
    editSettings([](QByteArray& text) { text.replace(text.size() - 3, 3, "1\r\n"); });
    startHost(0);
    startBar();
    // As `wmctrl -b remove,above` would, then the host raised over the bar. With the state still
    // there the manager would keep the bar above, so the first wait also proves it went.
    if (expectWindowManager())
        screen.tellManager(barWindow, "_NET_WM_STATE", 0, long(screen.atom("_NET_WM_STATE_ABOVE")));
    XRaiseWindow(screen.dpy, hostWindow);
    XSync(screen.dpy, False);
    ASSERT_TRUE(waitFor([&] { return screen.stackedAbove(hostWindow, barWindow); }, 3000));
    // The timer ticks every 4.2 s.
    EXPECT_TRUE(waitFor([&] { return screen.stackedAbove(barWindow, hostWindow); }, 6000))
        << "the bar stayed below the host";
    kill(bar, SIGTERM);
    EXPECT_EQ(reap(bar, 10000), 0);
    bar = 0;
}

TEST_F(QuillbarOnX11, TheSettingsAreSavedWhenTheXServerGoesAway)
{
    if (expectWindowManager())
        GTEST_SKIP() << "runs on an X server of its own, once is enough";
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    const pid_t xvfb = spawn({"Xvfb", "-displayfd", "3", "-nolisten", "tcp"}, {}, &actions);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    ASSERT_NE(xvfb, 0);
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n') // the pipe closes if Xvfb fails
        number += c;
    close(fds[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not start";
    const std::string display = ":" + number;

    bar = spawn({QUILLBAR_EXE}, {"DISPLAY=" + display, "XDG_CONFIG_HOME=" + (dir.path() + "/config").toStdString()});
    {
        const Screen other(display.c_str());
        const auto isBar = [&](Window w) { return other.instanceName(w) == "quillbar"; };
        EXPECT_TRUE(waitFor([&] { return other.find(isBar) != 0; }, 15000)) << "the bar did not appear";
    } // our own connection ends before the server does
    ASSERT_TRUE(QFile::remove(settings()));
    kill(xvfb, SIGTERM);
    reap(xvfb, 10000);
    EXPECT_GE(reap(bar, 10000), 0) << "the bar did not end with its X server";
    bar = 0;
    EXPECT_TRUE(fileText(settings()).find(" 233 \r\n 169 \r\n 128 \r\n") != std::string::npos)
        << "the settings were not written";
}

// The desktop layer itself, against windows of this test.
class DesktopOnX11 : public ::testing::Test
{
protected:
    Screen screen;
    std::unique_ptr<bv::x11::Desktop> desktop;
    std::vector<KeySym> keymapBefore;

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(waitForDesktop(screen));
        keymapBefore = screen.keymap();
        std::string whyNot;
        desktop = bv::x11::Desktop::open(whyNot);
        ASSERT_TRUE(desktop) << whyNot;
    }

    void TearDown() override
    {
        desktop.reset();
        EXPECT_EQ(screen.keymap(), keymapBefore) << "the spare keycodes were not given back";
    }

    Window focusedWindow(const char* title)
    {
        const Window w = screen.makeWindow(title, 300, 200);
        desktop->requestActivation(w);
        EXPECT_TRUE(waitFor([&] { return desktop->hasFocus(w); }, 2000)) << title;
        return w;
    }
};

TEST_F(DesktopOnX11, KeysGoOnlyToTheFocusedWindowAsTheCharactersThemselves)
{
    using bv::x11::TypeResult;
    const Window host = focusedWindow("Quill Desktop Host");
    Display* dpy = screen.dpy;
    // What the user holds or has latched while clicking a button changes nothing, and stays.
    const KeyCode shift = XKeysymToKeycode(dpy, XK_Shift_L);
    const KeyCode control = XKeysymToKeycode(dpy, XK_Control_L);
    const struct
    {
        const char* name;
        KeyCode held;
        unsigned latched;
    } cases[] = {
        {"nothing", 0, 0}, {"Shift held", shift, 0}, {"Control held", control, 0}, {"Shift latched", 0, ShiftMask}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.held)
            XTestFakeKeyEvent(dpy, c.held, True, CurrentTime);
        if (c.latched)
            XkbLatchModifiers(dpy, XkbUseCoreKbd, c.latched, c.latched);
        XSync(dpy, False);
        EXPECT_EQ(desktop->type(host, U"a%"), TypeResult::Typed);
        EXPECT_EQ(screen.keysReceived(host, 2), "a percent");
        char down[32] = {};
        XQueryKeymap(dpy, down);
        XkbStateRec state{};
        XkbGetState(dpy, XkbUseCoreKbd, &state);
        EXPECT_EQ(bool(down[c.held / 8] & (1 << (c.held % 8))), c.held != 0) << "the held key is not down again";
        EXPECT_EQ(state.latched_mods, c.latched) << "the latch was not put back";
        if (c.held)
            XTestFakeKeyEvent(dpy, c.held, False, CurrentTime);
        XkbLatchModifiers(dpy, XkbUseCoreKbd, c.latched, 0);
        XSync(dpy, False);
    }

    // Another window took the focus after the activation: neither it nor the host gets a key.
    const Window other = screen.makeWindow("Quill Desktop Other", 600, 200);
    XSetInputFocus(dpy, other, RevertToParent, CurrentTime);
    XSync(dpy, False);
    EXPECT_EQ(desktop->type(host, U"a"), TypeResult::NotFocused);
    EXPECT_EQ(screen.keysReceived(other, 0), "");
    EXPECT_EQ(screen.keysReceived(host, 0), "");
}

TEST_F(DesktopOnX11, SpareKeycodesFollowTheButtonsAndSurviveALayoutChange)
{
    using bv::x11::TypeResult;
    const Window host = focusedWindow("Quill Desktop Host");
    const KeySym euro = XK_EuroSign, wcircumflex = XK_wcircumflex, ycircumflex = XK_ycircumflex;
    desktop->reserve(U"\u20AC\u0175");
    ASSERT_TRUE(screen.bound(euro) && screen.bound(wcircumflex)) << "the test layout has these keys already";
    // The buttons no longer carry ŵ: its keycode goes back, €'s stays.
    desktop->keepOnly(U"\u20AC");
    EXPECT_FALSE(screen.bound(wcircumflex));
    EXPECT_TRUE(screen.bound(euro));
    // Another program takes €'s key away just before typing: it is bound again for the keys.
    screen.unbind(euro);
    EXPECT_EQ(desktop->type(host, U"\u20AC"), TypeResult::Typed);
    EXPECT_EQ(screen.keysReceived(host, 1), "EuroSign");
    // One just typed outlasts its button a while: a busy window may not have read the key yet.
    EXPECT_EQ(desktop->type(host, U"\u0177"), TypeResult::Typed);
    EXPECT_EQ(screen.keysReceived(host, 1), "ycircumflex");
    desktop->keepOnly(U"\u20AC");
    EXPECT_TRUE(screen.bound(ycircumflex));
}

// What changes under a typing call never sends a key elsewhere: the host goes away after it was
// found, another window takes the host's title and the focus, another program remaps keys while
// the typing goes on. Hosts are real programs (quill_typing_host) that write what they receive,
// reading their keys with the mapping of the moment, as every program does.
TEST_F(DesktopOnX11, NoKeyGoesAstrayWhateverChangesUnderneath)
{
    using bv::x11::TypeResult;
    QTemporaryDir dir;
    struct Host
    {
        pid_t pid = 0;
        Window window = 0;
        QString out;
    };
    std::vector<Host> hosts;
    const auto startHost = [&](const std::string& title) {
        Host h;
        h.out = dir.path() + "/" + QString::number(hosts.size()) + ".txt";
        h.pid = spawn({TYPING_HOST_EXE, title, h.out.toStdString(), "0"}, {});
        const auto isIt = [&](Window w) { return screen.title(w) == title; };
        EXPECT_TRUE(waitFor([&] { return (h.window = screen.find(isIt)) != 0; }, 15000)) << title;
        hosts.push_back(h);
        return h;
    };
    const auto focus = [&](Window w) {
        desktop->requestActivation(w);
        return waitFor([&] { return desktop->hasFocus(w); }, 3000);
    };
    const Host bystander = startHost("Quill Bystander");

    // The host closes after it was found and activated.
    const Host closing = startHost("Quill Closing Host");
    ASSERT_EQ(desktop->findWindow("Quill Closing"), closing.window);
    ASSERT_TRUE(focus(closing.window));
    kill(closing.pid, SIGKILL);
    reap(closing.pid, 5000);
    ASSERT_TRUE(waitFor([&] { return !screen.viewable(closing.window); }, 3000));
    EXPECT_NE(desktop->type(closing.window, U"a"), TypeResult::Typed);

    // Another window takes the host's title and the focus.
    const Host host = startHost("Quill Title Host");
    ASSERT_EQ(desktop->findWindow("Quill Title Host"), host.window);
    ASSERT_TRUE(focus(host.window));
    XStoreName(screen.dpy, bystander.window, "Quill Title Host");
    ASSERT_TRUE(focus(bystander.window));
    EXPECT_EQ(desktop->type(host.window, U"a"), TypeResult::NotFocused);
    XStoreName(screen.dpy, bystander.window, "Quill Bystander");

    // Another program remaps the key of € (to x, or to nothing) between one typing and the next:
    // each typing must find its key anew, never send the key of another character. (The changes
    // wait for the host to have read the key before: a program reads keys with the mapping it
    // holds when it reads them, so a change right after typing may still garble a key it has not
    // read yet; no typist can prevent that.)
    ASSERT_TRUE(focus(host.window));
    int typed = 0;
    for (int i = 0; i < 30; ++i) {
        int min = 0, max = 0;
        XDisplayKeycodes(screen.dpy, &min, &max);
        const auto map = screen.keymap();
        const int perKey = int(map.size()) / (max - min + 1);
        for (int code = min; code <= max; ++code) {
            if (map[size_t((code - min) * perKey)] == XK_EuroSign) {
                std::vector<KeySym> syms(size_t(perKey), NoSymbol);
                syms[0] = i % 2 ? NoSymbol : XK_x;
                XChangeKeyboardMapping(screen.dpy, code, perKey, syms.data(), 1);
            }
        }
        XSync(screen.dpy, False);
        const TypeResult r = desktop->type(host.window, U"\u20AC");
        ASSERT_EQ(r, TypeResult::Typed) << "typing " << i;
        ++typed;
        ASSERT_TRUE(waitFor([&] { return QString::fromUtf8(fileText(host.out)).size() == typed; }, 3000))
            << "typing " << i << ": the host has \"" << fileText(host.out) << "\"";
        desktop->handlePendingEvents(); // as the bar's event loop does when the mapping changes
    }
    EXPECT_EQ(fileText(host.out), std::string(QString(typed, QChar(0x20AC)).toUtf8().constData()));
    // Keys another program took are not the bar's to give back: the test puts them back itself.
    {
        int min = 0, max = 0;
        XDisplayKeycodes(screen.dpy, &min, &max);
        const size_t perKey = keymapBefore.size() / size_t(max - min + 1);
        const auto now = screen.keymap();
        for (int code = min; code <= max; ++code) {
            const size_t at = size_t(code - min) * perKey;
            if (now[at] == XK_x && keymapBefore[at] != XK_x)
                XChangeKeyboardMapping(screen.dpy, code, int(perKey), &keymapBefore[at], 1);
        }
        XSync(screen.dpy, False);
    }

    EXPECT_EQ(fileText(bystander.out), "");
    EXPECT_EQ(fileText(closing.out), "");
    for (const Host& h : hosts) {
        kill(h.pid, SIGTERM);
        reap(h.pid, 5000);
    }
}

TEST_F(DesktopOnX11, ADirectActivationRaisesTheFrameNotOnlyTheWindowInIt)
{
    if (expectWindowManager())
        GTEST_SKIP() << "the window manager frames and raises windows itself";
    // A frame as a reparenting manager leaves them, the client inside it, a window over both.
    const Window frame = screen.makeWindow(nullptr, 300, 200);
    const Window client = screen.makeWindow("Quill Framed Host", 0, 0, frame);
    const long normalState[] = {1, 0};
    XChangeProperty(screen.dpy, client, screen.atom("WM_STATE"), screen.atom("WM_STATE"), 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(normalState), 2);
    const Window cover = screen.makeWindow("Quill Cover", 250, 150);
    ASSERT_TRUE(screen.stackedAbove(cover, frame));
    ASSERT_EQ(desktop->findWindow("Quill Framed"), client);
    desktop->requestActivation(client);
    EXPECT_TRUE(waitFor([&] { return desktop->hasFocus(client); }, 1000));
    EXPECT_TRUE(screen.stackedAbove(frame, cover)) << "the host has the focus under another window";
}

TEST_F(DesktopOnX11, TheServiceWaitsForTheFocusWithoutBlocking)
{
    using Delivery = bv::quill::WindowService::Delivery;
    int argc = 1;
    char name[] = "quill_x11_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    bv::quill::X11WindowService service(true);
    ASSERT_TRUE(service.unavailableReason().isEmpty());
    QObject context;
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);

    // A window that is not on screen never takes the focus: the service waits its second and says
    // so, while the event loop goes on.
    const Window hidden = screen.makeWindow("Quill Hidden", 100, 100, 0, false);
    std::optional<Delivery> result;
    QElapsedTimer clock;
    clock.start();
    service.typeInto(hidden, QStringLiteral("a"), &context, [&](Delivery d) { result = d; });
    EXPECT_LT(clock.elapsed(), 200) << "the call waited for the focus";
    ASSERT_TRUE(waitFor([&] { return result.has_value(); }, 3000));
    EXPECT_EQ(*result, Delivery::NoFocus);
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_GE(ticks, 20) << "the event loop stood still while the service waited";
}

} // namespace
