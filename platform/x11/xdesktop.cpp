// SPDX-License-Identifier: GPL-3.0-or-later
// Xlib and XTest stay inside this file: their macros must never meet Qt's headers.
#include "platform/x11/xdesktop.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

namespace bv::x11 {

namespace {

// Xlib's default error handler ends the process; a window that vanishes between two requests
// is normal here. Errors on our own connection are counted, so a request whose failure decides
// success can be checked (ErrorTrap); errors of other Xlib connections in the process are ignored.
Display* g_display = nullptr;
unsigned long g_errors = 0;

int onXError(Display* dpy, XErrorEvent*)
{
    if (dpy == g_display)
        ++g_errors;
    return 0;
}

// Xlib ends the process when a connection breaks (the server went away); the handler the
// program gave runs first, then the one installed before ours (Qt's reports the loss).
XIOErrorHandler g_previousIOHandler = nullptr;

std::function<void()>& connectionLostHandler()
{
    static std::function<void()> handler;
    return handler;
}

int onIOError(Display* dpy)
{
    static bool running = false;
    if (!running) {
        running = true;
        if (connectionLostHandler())
            connectionLostHandler()();
    }
    return g_previousIOHandler ? g_previousIOHandler(dpy) : 0;
}

// Counts the errors of the requests made while it lives; failed() waits for their answers.
class ErrorTrap
{
public:
    explicit ErrorTrap(Display* dpy) : m_dpy(dpy), m_before(g_errors) {}
    bool failed() const
    {
        XSync(m_dpy, False);
        return g_errors != m_before;
    }

private:
    Display* m_dpy;
    unsigned long m_before;
};

// No other client's request runs while it lives: what is checked stays true until it ends.
class ServerGrab
{
public:
    explicit ServerGrab(Display* dpy) : m_dpy(dpy) { XGrabServer(m_dpy); }
    ~ServerGrab()
    {
        XUngrabServer(m_dpy);
        XFlush(m_dpy);
    }
    ServerGrab(const ServerGrab&) = delete;
    ServerGrab& operator=(const ServerGrab&) = delete;

private:
    Display* m_dpy;
};

// A recently typed binding is kept this long after its character left the buttons: a busy
// window may not have read the key yet, and reads it through the keycode's current keysym.
constexpr auto kBindingGrace = std::chrono::seconds(30);

// Keysyms of the pre-Unicode sets that layouts use for characters of Windows-1252 above 0xFF.
struct LegacyKeysym
{
    char32_t ch;
    KeySym sym;
};
constexpr LegacyKeysym kLegacyKeysyms[] = {
    {U'\u20AC', 0x20ac}, {U'\u201A', 0xafd}, {U'\u0192', 0x8f6},  {U'\u201E', 0xafe}, {U'\u2026', 0xaae},
    {U'\u2020', 0xaf1},  {U'\u2021', 0xaf2}, {U'\u2030', 0xad5},  {U'\u0160', 0x1a9}, {U'\u0152', 0x13bc},
    {U'\u017D', 0x1ae},  {U'\u2018', 0xad0}, {U'\u2019', 0xad1},  {U'\u201C', 0xad2}, {U'\u201D', 0xad3},
    {U'\u2022', 0xae6},  {U'\u2013', 0xaaa}, {U'\u2014', 0xaa9},  {U'\u2122', 0xac9}, {U'\u0161', 0x1b9},
    {U'\u0153', 0x13bd}, {U'\u017E', 0x1be}, {U'\u0178', 0x13be},
};

KeySym legacyKeysym(char32_t ch)
{
    for (const auto& k : kLegacyKeysyms) {
        if (k.ch == ch)
            return k.sym;
    }
    return NoSymbol;
}

// The keysym bound to a spare keycode for a character.
KeySym keysymFor(char32_t ch)
{
    if ((ch >= 0x20 && ch <= 0x7E) || (ch >= 0xA0 && ch <= 0xFF))
        return KeySym(ch);
    const KeySym legacy = legacyKeysym(ch);
    return legacy != NoSymbol ? legacy : KeySym(0x01000000 + ch);
}

bool producesCharacter(KeySym sym, char32_t ch)
{
    if (sym == NoSymbol)
        return false;
    if (sym == KeySym(0x01000000 + ch))
        return true;
    if ((ch >= 0x20 && ch <= 0x7E) || (ch >= 0xA0 && ch <= 0xFF))
        return sym == KeySym(ch);
    return sym == legacyKeysym(ch);
}

std::string latin1ToUtf8(const unsigned char* text, unsigned long length)
{
    std::string out;
    for (unsigned long i = 0; i < length; ++i) {
        const unsigned char c = text[i];
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

struct Candidate
{
    Window window;
    std::string title;
};

} // namespace

struct Desktop::Impl
{
    using Clock = std::chrono::steady_clock;
    struct Binding
    {
        KeyCode code = 0;
        Clock::time_point lastTyped{};
    };
    // Modifier keys held and modifiers latched when typing began, to be put back afterwards.
    struct HeldModifiers
    {
        std::vector<KeyCode> keys;
        unsigned latched = 0;
    };

    Display* dpy = nullptr;
    Window root = 0;
    int xkbEventBase = -1;
    XkbDescPtr xkb = nullptr;             // the keyboard description, fetched again after a change
    std::map<char32_t, Binding> bindings; // spare keycodes given to characters
    std::optional<std::u32string> wanted; // the characters that may be typed; unset: any
    int minKeycode = 8, maxKeycode = 255;

    Atom netClientListStacking = 0, netActiveWindow = 0, netSupported = 0, netWmName = 0, utf8String = 0, netWmPid = 0,
         wmState = 0, netSupportingWmCheck = 0, netWmState = 0, netWmStateAbove = 0;

    ~Impl();

    std::vector<unsigned long> longs(Window window, Atom property, Atom type) const;
    std::string title(Window window) const;
    bool ownWindow(Window window) const;
    Window wmCheckWindow() const;
    bool wmSupports(Atom atom) const;
    Window clientBelow(Window frame, int depth) const;
    std::vector<Candidate> candidates() const; // bottom to top of the stacking order
    Window topLevel(Window window) const;
    bool hasFocus(Window window) const;
    void directFocus(Window window) const;

    XkbDescPtr keyboard();
    KeySym coreKeysym(KeyCode code) const;
    bool findKey(char32_t ch, KeyCode& code, bool& shift);
    KeyCode spareKeycode() const;
    KeyCode boundKey(char32_t ch);
    void giveBack(KeyCode code, KeySym sym) const;
    void releaseUnwanted();
    void renewBindings();
    HeldModifiers releaseModifiers() const;
    void restoreModifiers(const HeldModifiers& held) const;
};

Desktop::Impl::~Impl()
{
    if (!dpy)
        return;
    for (const auto& [ch, binding] : bindings)
        giveBack(binding.code, keysymFor(ch));
    XSync(dpy, False);
    if (xkb)
        XkbFreeKeyboard(xkb, 0, True);
    g_display = nullptr;
    XCloseDisplay(dpy);
}

std::vector<unsigned long> Desktop::Impl::longs(Window window, Atom property, Atom type) const
{
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> out;
    if (XGetWindowProperty(dpy, window, property, 0, 0x10000, False, type, &actualType, &format, &count, &after,
                           &data) == Success &&
        data && format == 32 && actualType == type) {
        // Xlib hands 32-bit properties back as longs.
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        out.assign(values, values + count);
    }
    if (data)
        XFree(data);
    return out;
}

std::string Desktop::Impl::title(Window window) const
{
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, window, netWmName, 0, 0x10000, False, utf8String, &actualType, &format, &count, &after,
                           &data) == Success &&
        data && format == 8 && actualType == utf8String) {
        std::string name(reinterpret_cast<const char*>(data), count);
        XFree(data);
        return name;
    }
    if (data)
        XFree(data);

    XTextProperty property{};
    if (!XGetWMName(dpy, window, &property) || !property.value)
        return {};
    std::string name;
    if (property.encoding == XA_STRING && property.format == 8) {
        name = latin1ToUtf8(property.value, property.nitems);
    } else {
        char** list = nullptr;
        int n = 0;
        if (Xutf8TextPropertyToTextList(dpy, &property, &list, &n) >= Success && list) {
            if (n > 0 && list[0])
                name = list[0];
            XFreeStringList(list);
        }
    }
    XFree(property.value);
    return name;
}

bool Desktop::Impl::ownWindow(Window window) const
{
    const auto pid = longs(window, netWmPid, XA_CARDINAL);
    return !pid.empty() && pid.front() == static_cast<unsigned long>(getpid());
}

Window Desktop::Impl::wmCheckWindow() const
{
    // The check window must name itself too, or the property is left over from a dead manager.
    const auto check = longs(root, netSupportingWmCheck, XA_WINDOW);
    if (check.empty() || !check.front())
        return 0;
    const auto self = longs(check.front(), netSupportingWmCheck, XA_WINDOW);
    return !self.empty() && self.front() == check.front() ? check.front() : 0;
}

bool Desktop::Impl::wmSupports(Atom atom) const
{
    if (!wmCheckWindow())
        return false;
    const auto supported = longs(root, netSupported, XA_ATOM);
    return std::find(supported.begin(), supported.end(), atom) != supported.end();
}

Window Desktop::Impl::clientBelow(Window frame, int depth) const
{
    // A reparenting manager without the client list: the client is the window with WM_STATE.
    if (!longs(frame, wmState, wmState).empty())
        return frame;
    if (depth == 0)
        return 0;
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(dpy, frame, &rootReturn, &parent, &children, &n))
        return 0;
    Window found = 0;
    for (unsigned int i = n; i-- > 0 && !found;)
        found = clientBelow(children[i], depth - 1);
    if (children)
        XFree(children);
    return found;
}

std::vector<Candidate> Desktop::Impl::candidates() const
{
    std::vector<Window> windows;
    if (wmCheckWindow()) {
        for (const unsigned long w : longs(root, netClientListStacking, XA_WINDOW))
            windows.push_back(w);
    }
    if (windows.empty()) {
        // No manager, or one without the stacking list: the root's children are in stacking
        // order, bottom first. Only windows on screen can take the focus.
        Window rootReturn = 0, parent = 0, *children = nullptr;
        unsigned int n = 0;
        if (XQueryTree(dpy, root, &rootReturn, &parent, &children, &n)) {
            for (unsigned int i = 0; i < n; ++i) {
                XWindowAttributes attributes{};
                if (!XGetWindowAttributes(dpy, children[i], &attributes) || attributes.map_state != IsViewable ||
                    attributes.override_redirect)
                    continue;
                const Window client = clientBelow(children[i], 3);
                windows.push_back(client ? client : children[i]);
            }
            if (children)
                XFree(children);
        }
    }
    std::vector<Candidate> out;
    for (const Window w : windows) {
        if (!ownWindow(w))
            out.push_back({w, title(w)});
    }
    return out;
}

Window Desktop::Impl::topLevel(Window window) const
{
    for (int depth = 0; depth < 32; ++depth) {
        Window rootReturn = 0, parent = 0, *children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(dpy, window, &rootReturn, &parent, &children, &n))
            return window;
        if (children)
            XFree(children);
        if (!parent || parent == rootReturn)
            return window;
        window = parent;
    }
    return window;
}

bool Desktop::Impl::hasFocus(Window window) const
{
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(dpy, &focus, &revert);
    // The focus may rest on a child of the window (toolkits with inner windows).
    for (int depth = 0; focus > PointerRoot && depth < 32; ++depth) {
        if (focus == window)
            return true;
        Window rootReturn = 0, parent = 0, *children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(dpy, focus, &rootReturn, &parent, &children, &n))
            return false;
        if (children)
            XFree(children);
        if (parent == rootReturn)
            return false;
        focus = parent;
    }
    return false;
}

void Desktop::Impl::directFocus(Window window) const
{
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(dpy, window, &attributes) || attributes.map_state != IsViewable)
        return; // the focus cannot go to a window that is not on screen
    // The frame, not only the client inside it: raised within a frame that stays covered, the
    // window would take the keys unseen. A manager that ignores the one may honour the other.
    const Window top = topLevel(window);
    XRaiseWindow(dpy, top);
    if (top != window)
        XRaiseWindow(dpy, window);
    XSetInputFocus(dpy, window, RevertToParent, CurrentTime);
    XFlush(dpy);
}

XkbDescPtr Desktop::Impl::keyboard()
{
    if (!xkb && xkbEventBase >= 0)
        xkb = XkbGetMap(dpy, XkbAllClientInfoMask, XkbUseCoreKbd);
    return xkb;
}

KeySym Desktop::Impl::coreKeysym(KeyCode code) const
{
    int perKey = 0;
    KeySym* syms = XGetKeyboardMapping(dpy, code, 1, &perKey);
    if (!syms)
        return NoSymbol;
    const KeySym sym = perKey > 0 ? syms[0] : NoSymbol;
    XFree(syms);
    return sym;
}

bool Desktop::Impl::findKey(char32_t ch, KeyCode& code, bool& shift)
{
    const KeyCode shiftKey = XKeysymToKeycode(dpy, XK_Shift_L);
    XkbDescPtr desc = keyboard();
    if (!desc)
        return false;
    XkbStateRec state{};
    XkbGetState(dpy, XkbUseCoreKbd, &state);
    // Keys are pressed under the locks in force (Caps Lock turns "a" into "A"), so each key is
    // read as it will be typed: in the current group, with and without Shift.
    for (const bool withShift : {false, true}) {
        if (withShift && !shiftKey)
            break;
        const unsigned mods = state.locked_mods | (withShift ? ShiftMask : 0);
        for (int k = minKeycode; k <= maxKeycode; ++k) {
            unsigned modsUsed = 0;
            KeySym sym = NoSymbol;
            if (XkbTranslateKeyCode(desc, KeyCode(k), XkbBuildCoreState(mods, state.group), &modsUsed, &sym) &&
                producesCharacter(sym, ch)) {
                code = KeyCode(k);
                shift = withShift;
                return true;
            }
        }
    }
    return false;
}

KeyCode Desktop::Impl::spareKeycode() const
{
    int perKey = 0;
    const int count = maxKeycode - minKeycode + 1;
    KeySym* syms = XGetKeyboardMapping(dpy, KeyCode(minKeycode), count, &perKey);
    if (!syms)
        return 0;
    KeyCode spare = 0;
    // From the top: the highest keycodes are the ones layouts leave empty.
    for (int k = maxKeycode; k >= minKeycode && !spare; --k) {
        const KeySym* row = syms + (k - minKeycode) * perKey;
        const bool empty = std::all_of(row, row + perKey, [](KeySym s) { return s == NoSymbol; });
        const bool ours =
            std::any_of(bindings.begin(), bindings.end(), [k](const auto& b) { return b.second.code == k; });
        if (empty && !ours)
            spare = KeyCode(k);
    }
    XFree(syms);
    return spare;
}

KeyCode Desktop::Impl::boundKey(char32_t ch)
{
    const KeySym sym = keysymFor(ch);
    const auto it = bindings.find(ch);
    if (it != bindings.end()) {
        if (coreKeysym(it->second.code) == sym)
            return it->second.code;
        bindings.erase(it); // the layout changed under it: the keycode is not ours any more
    }
    const KeyCode code = spareKeycode();
    if (!code)
        return 0;
    int perKey = 0;
    KeySym* syms = XGetKeyboardMapping(dpy, code, 1, &perKey);
    if (!syms)
        return 0;
    // The same keysym on every level and group: no modifier or layout group can change it.
    std::fill(syms, syms + perKey, sym);
    const ErrorTrap trap(dpy);
    XChangeKeyboardMapping(dpy, code, perKey, syms, 1);
    XFree(syms);
    const bool refused = trap.failed();
    if (xkb) {
        XkbFreeKeyboard(xkb, 0, True);
        xkb = nullptr;
    }
    // A refused change leaves the key as it was: typing with it would send nothing, or another
    // character. Only a keycode that now carries the character counts as bound.
    if (refused || coreKeysym(code) != sym)
        return 0;
    bindings[ch] = {code, {}};
    return code;
}

void Desktop::Impl::giveBack(KeyCode code, KeySym sym) const
{
    // Unless a layout change has put something else on the keycode meanwhile.
    if (coreKeysym(code) != sym)
        return;
    int perKey = 0;
    KeySym* syms = XGetKeyboardMapping(dpy, code, 1, &perKey);
    if (syms) {
        std::fill(syms, syms + perKey, NoSymbol);
        XChangeKeyboardMapping(dpy, code, perKey, syms, 1);
        XFree(syms);
    }
}

void Desktop::Impl::releaseUnwanted()
{
    if (!wanted)
        return;
    const auto now = Clock::now();
    bool changed = false;
    for (auto it = bindings.begin(); it != bindings.end();) {
        const bool stays = wanted->find(it->first) != std::u32string::npos ||
                           (it->second.lastTyped != Clock::time_point{} && now - it->second.lastTyped < kBindingGrace);
        if (stays) {
            ++it;
            continue;
        }
        giveBack(it->second.code, keysymFor(it->first));
        it = bindings.erase(it);
        changed = true;
    }
    if (changed) {
        XSync(dpy, False);
        if (xkb) {
            XkbFreeKeyboard(xkb, 0, True);
            xkb = nullptr;
        }
    }
}

void Desktop::Impl::renewBindings()
{
    releaseUnwanted();
    std::vector<char32_t> chars;
    for (const auto& binding : bindings)
        chars.push_back(binding.first);
    for (const char32_t ch : chars)
        boundKey(ch);
}

Desktop::Impl::HeldModifiers Desktop::Impl::releaseModifiers() const
{
    HeldModifiers held;
    XkbStateRec state{};
    XkbGetState(dpy, XkbUseCoreKbd, &state);
    held.latched = state.latched_mods;
    if (held.latched)
        XkbLatchModifiers(dpy, XkbUseCoreKbd, held.latched, 0);

    char down[32] = {};
    XQueryKeymap(dpy, down);
    XModifierKeymap* map = XGetModifierMapping(dpy);
    if (!map)
        return held;
    for (int mod = 0; mod < 8; ++mod) {
        if (mod == LockMapIndex)
            continue; // a lock key may toggle on release; the keys are chosen under the locks anyway
        for (int i = 0; i < map->max_keypermod; ++i) {
            const KeyCode code = map->modifiermap[mod * map->max_keypermod + i];
            if (!code || !(down[code / 8] & (1 << (code % 8))))
                continue;
            const KeySym sym = coreKeysym(code);
            if (sym == XK_Num_Lock || sym == XK_Scroll_Lock || sym == XK_Shift_Lock)
                continue;
            if (std::find(held.keys.begin(), held.keys.end(), code) == held.keys.end())
                held.keys.push_back(code);
        }
    }
    XFreeModifiermap(map);
    for (const KeyCode code : held.keys)
        XTestFakeKeyEvent(dpy, code, False, CurrentTime);
    return held;
}

void Desktop::Impl::restoreModifiers(const HeldModifiers& held) const
{
    for (const KeyCode code : held.keys)
        XTestFakeKeyEvent(dpy, code, True, CurrentTime);
    if (held.latched)
        XkbLatchModifiers(dpy, XkbUseCoreKbd, held.latched, held.latched);
}

Desktop::Desktop(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}

Desktop::~Desktop() = default;

std::unique_ptr<Desktop> Desktop::open(std::string& whyNot)
{
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        whyNot = "there is no X display (DISPLAY is not set)";
        return nullptr;
    }
    XSetErrorHandler(onXError);
    const XIOErrorHandler previous = XSetIOErrorHandler(onIOError);
    if (previous != onIOError)
        g_previousIOHandler = previous;
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        whyNot = std::string("the X display ") + name + " cannot be reached";
        return nullptr;
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(dpy, &event, &error, &major, &minor)) {
        XCloseDisplay(dpy);
        whyNot = std::string("the X display ") + name + " has no XTest extension";
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->dpy = dpy;
    g_display = dpy;
    impl->root = DefaultRootWindow(dpy);
    XDisplayKeycodes(dpy, &impl->minKeycode, &impl->maxKeycode);
    int opcode = 0, xkbEvent = 0, xkbError = 0;
    major = XkbMajorVersion;
    minor = XkbMinorVersion;
    if (XkbQueryExtension(dpy, &opcode, &xkbEvent, &xkbError, &major, &minor)) {
        impl->xkbEventBase = xkbEvent;
        const unsigned long mask = XkbMapNotifyMask | XkbNewKeyboardNotifyMask;
        XkbSelectEvents(dpy, XkbUseCoreKbd, mask, mask);
    }
    const auto atom = [dpy](const char* n) { return XInternAtom(dpy, n, False); };
    impl->netClientListStacking = atom("_NET_CLIENT_LIST_STACKING");
    impl->netActiveWindow = atom("_NET_ACTIVE_WINDOW");
    impl->netSupported = atom("_NET_SUPPORTED");
    impl->netWmName = atom("_NET_WM_NAME");
    impl->utf8String = atom("UTF8_STRING");
    impl->netWmPid = atom("_NET_WM_PID");
    impl->wmState = atom("WM_STATE");
    impl->netSupportingWmCheck = atom("_NET_SUPPORTING_WM_CHECK");
    impl->netWmState = atom("_NET_WM_STATE");
    impl->netWmStateAbove = atom("_NET_WM_STATE_ABOVE");
    if (!impl->keyboard()) {
        g_display = nullptr;
        XCloseDisplay(dpy);
        impl->dpy = nullptr;
        whyNot = std::string("the X display ") + name + " has no XKEYBOARD extension";
        return nullptr;
    }
    return std::unique_ptr<Desktop>(new Desktop(std::move(impl)));
}

void Desktop::setConnectionLostHandler(std::function<void()> handler)
{
    connectionLostHandler() = std::move(handler);
}

int Desktop::connectionNumber() const
{
    return ConnectionNumber(d->dpy);
}

void Desktop::handlePendingEvents()
{
    bool mappingChanged = false;
    while (XPending(d->dpy)) {
        XEvent event{};
        XNextEvent(d->dpy, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            mappingChanged = true;
        } else if (d->xkbEventBase >= 0 && event.type == d->xkbEventBase) {
            const auto* xkbEvent = reinterpret_cast<const XkbEvent*>(&event);
            if (xkbEvent->any.xkb_type == XkbMapNotify || xkbEvent->any.xkb_type == XkbNewKeyboardNotify)
                mappingChanged = true;
        }
    }
    if (!mappingChanged)
        return;
    if (d->xkb) {
        XkbFreeKeyboard(d->xkb, 0, True);
        d->xkb = nullptr;
    }
    XDisplayKeycodes(d->dpy, &d->minKeycode, &d->maxKeycode);
    // Our own rebinding raises another notification; it finds every binding in place and stops.
    d->renewBindings();
}

unsigned long Desktop::findWindow(const std::string& title)
{
    if (title.empty())
        return 0;
    const auto windows = d->candidates();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if (it->title == title)
            return it->window;
    }
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if (it->title.compare(0, title.size(), title) == 0)
            return it->window;
    }
    return 0;
}

void Desktop::requestActivation(unsigned long window)
{
    if (!window)
        return;
    if (!d->wmSupports(d->netActiveWindow)) {
        d->directFocus(window);
        return;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = d->netActiveWindow;
    event.xclient.format = 32;
    // Source 2 (a pager): the user asked for it, so focus-stealing prevention lets it through.
    event.xclient.data.l[0] = 2;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d->dpy, d->root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(d->dpy);
}

void Desktop::forceFocus(unsigned long window)
{
    if (window)
        d->directFocus(window);
}

bool Desktop::hasFocus(unsigned long window)
{
    return window && d->hasFocus(window);
}

TypeResult Desktop::type(unsigned long window, const std::u32string& text)
{
    const ServerGrab grab(d->dpy);
    // Every notification sent before the grab is in our queue now: a layout change made just
    // before is seen, and none can come until the keys are sent.
    XSync(d->dpy, False);
    handlePendingEvents();
    if (!d->hasFocus(window))
        return TypeResult::NotFocused;

    struct Stroke
    {
        KeyCode code;
        bool shift;
    };
    std::vector<Stroke> strokes;
    std::vector<char32_t> bound;
    for (const char32_t ch : text) {
        Stroke stroke{0, false};
        if (!d->findKey(ch, stroke.code, stroke.shift)) {
            stroke = {d->boundKey(ch), false};
            bound.push_back(ch);
        }
        if (!stroke.code)
            return TypeResult::NoKey;
        strokes.push_back(stroke);
    }

    const KeyCode shiftKey = XKeysymToKeycode(d->dpy, XK_Shift_L);
    const ErrorTrap trap(d->dpy);
    const Impl::HeldModifiers held = d->releaseModifiers();
    for (const Stroke& stroke : strokes) {
        if (stroke.shift)
            XTestFakeKeyEvent(d->dpy, shiftKey, True, CurrentTime);
        XTestFakeKeyEvent(d->dpy, stroke.code, True, CurrentTime);
        XTestFakeKeyEvent(d->dpy, stroke.code, False, CurrentTime);
        if (stroke.shift)
            XTestFakeKeyEvent(d->dpy, shiftKey, False, CurrentTime);
    }
    d->restoreModifiers(held);
    const auto now = Impl::Clock::now();
    for (const char32_t ch : bound)
        d->bindings[ch].lastTyped = now;
    return trap.failed() ? TypeResult::Failed : TypeResult::Typed;
}

void Desktop::reserve(const std::u32string& characters)
{
    handlePendingEvents();
    for (const char32_t ch : characters) {
        KeyCode code = 0;
        bool shift = false;
        if (!d->findKey(ch, code, shift))
            d->boundKey(ch);
    }
}

void Desktop::keepOnly(const std::u32string& characters)
{
    d->wanted = characters;
    d->releaseUnwanted();
}

void Desktop::keepAbove(unsigned long window, bool above)
{
    if (!window)
        return;
    if (d->wmSupports(d->netWmStateAbove)) {
        // Asked every time: the manager drops the state when told to by anyone (a pager, the
        // user), and nothing tells us.
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = d->netWmState;
        event.xclient.format = 32;
        event.xclient.data.l[0] = above ? 1 : 0; // add, remove
        event.xclient.data.l[1] = long(d->netWmStateAbove);
        event.xclient.data.l[3] = 1; // a normal application
        XSendEvent(d->dpy, d->root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        if (above)
            XRaiseWindow(d->dpy, window); // the manager restacks the frame within its layer
    } else if (above) {
        XRaiseWindow(d->dpy, d->topLevel(window));
    }
    XFlush(d->dpy);
}

} // namespace bv::x11
