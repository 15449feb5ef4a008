// Quillbar on a real X server (Xvfb, started by run_x11_test.sh, with or without openbox): the
// bar's buttons are pressed with the XTest mouse, and a host window in another process must
// receive each character itself, in order, also while it is busy, and must have the focus again
// after the mouse button is released. At exit the keyboard mapping must be as it was.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Xlib last: its macros must not meet the headers above.
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
    }
    return true;
}

pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv)
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
    return posix_spawn(&pid, args[0].c_str(), nullptr, nullptr, argv.data(), envp.data()) == 0 ? pid : 0;
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
    Screen() : dpy(XOpenDisplay(nullptr)) { XSetErrorHandler(ignoreXError); }
    ~Screen()
    {
        if (dpy)
            XCloseDisplay(dpy);
    }

    Display* dpy;

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

    std::vector<KeySym> keymap() const
    {
        int min = 0, max = 0, perKey = 0;
        XDisplayKeycodes(dpy, &min, &max);
        KeySym* syms = XGetKeyboardMapping(dpy, KeyCode(min), max - min + 1, &perKey);
        std::vector<KeySym> out(syms, syms + (max - min + 1) * perKey);
        XFree(syms);
        return out;
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

    bool windowManagerRuns() const
    {
        const Atom check = XInternAtom(dpy, "_NET_SUPPORTING_WM_CHECK", False);
        Atom type = 0;
        int format = 0;
        unsigned long n = 0, after = 0;
        unsigned char* data = nullptr;
        const bool found = XGetWindowProperty(dpy, DefaultRootWindow(dpy), check, 0, 1, False, XA_WINDOW, &type,
                                              &format, &n, &after, &data) == Success
            && n == 1;
        if (data)
            XFree(data);
        return found;
    }
};

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
        ASSERT_NE(screen.dpy, nullptr) << "no X display: run this test through run_x11_test.sh";
        const bool wantWm = qEnvironmentVariableIsSet("QUILL_EXPECT_WM");
        ASSERT_TRUE(waitFor([&] { return screen.windowManagerRuns() == wantWm; }, 10000))
            << (wantWm ? "the window manager did not start" : "a window manager runs");
        if (wantWm) {
            ASSERT_TRUE(screen.managerHandlesWindows()) << "the window manager does not manage windows";
        }
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
    QFile ini(settings());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    QByteArray text = ini.readAll();
    ini.close();
    text.replace(kHostCaption, "No Such Window");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write(text);
    ini.close();
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

} // namespace
