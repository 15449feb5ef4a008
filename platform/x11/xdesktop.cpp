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
#include <thread>
#include <vector>

namespace bv::x11 {

namespace {

// Xlib's default error handler ends the process; a window that vanishes between two requests
// is normal here, so errors are only noted.
int g_lastError = 0;

int onXError(Display*, XErrorEvent* event)
{
    g_lastError = event->error_code;
    return 0;
}

// Keysyms of the pre-Unicode sets that layouts use for characters of Windows-1252 above 0xFF.
struct LegacyKeysym
{
    char32_t ch;
    KeySym sym;
};
constexpr LegacyKeysym kLegacyKeysyms[] = {
    {U'\u20AC', 0x20ac}, {U'\u201A', 0xafd}, {U'\u0192', 0x8f6}, {U'\u201E', 0xafe}, {U'\u2026', 0xaae},
    {U'\u2020', 0xaf1},  {U'\u2021', 0xaf2}, {U'\u2030', 0xad5}, {U'\u0160', 0x1a9}, {U'\u0152', 0x13bc},
    {U'\u017D', 0x1ae},  {U'\u2018', 0xad0}, {U'\u2019', 0xad1}, {U'\u201C', 0xad2}, {U'\u201D', 0xad3},
    {U'\u2022', 0xae6},  {U'\u2013', 0xaaa}, {U'\u2014', 0xaa9}, {U'\u2122', 0xac9}, {U'\u0161', 0x1b9},
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
    Display* dpy = nullptr;
    Window root = 0;
    int xkbEventBase = -1;
    XkbDescPtr xkb = nullptr; // the keyboard description, fetched again after a change
    std::map<char32_t, KeyCode> bindings; // spare keycodes given to characters
    int minKeycode = 8, maxKeycode = 255;

    Atom netClientListStacking = 0, netActiveWindow = 0, netSupported = 0, netWmName = 0, utf8String = 0,
         netWmPid = 0, wmState = 0, netSupportingWmCheck = 0;

    ~Impl();

    std::vector<unsigned long> longs(Window window, Atom property, Atom type) const;
    std::string title(Window window) const;
    bool ownWindow(Window window) const;
    Window wmCheckWindow() const;
    bool wmSupports(Atom atom) const;
    Window clientBelow(Window frame, int depth) const;
    std::vector<Candidate> candidates() const; // bottom to top of the stacking order
    bool hasFocus(Window window) const;
    void directFocus(Window window) const;

    XkbDescPtr keyboard();
    KeySym coreKeysym(KeyCode code) const;
    bool findKey(char32_t ch, KeyCode& code, bool& shift);
    KeyCode spareKeycode() const;
    KeyCode boundKey(char32_t ch);
    void renewBindings();
    void pressKey(KeyCode code) const;
};

Desktop::Impl::~Impl()
{
    if (!dpy)
        return;
    // Give the spare keycodes back, unless a layout change has put something else there.
    for (const auto& [ch, code] : bindings) {
        if (coreKeysym(code) != keysymFor(ch))
            continue;
        int perKey = 0;
        KeySym* syms = XGetKeyboardMapping(dpy, code, 1, &perKey);
        if (syms) {
            std::fill(syms, syms + perKey, NoSymbol);
            XChangeKeyboardMapping(dpy, code, perKey, syms, 1);
            XFree(syms);
        }
    }
    XSync(dpy, False);
    if (xkb)
        XkbFreeKeyboard(xkb, 0, True);
    XCloseDisplay(dpy);
}

std::vector<unsigned long> Desktop::Impl::longs(Window window, Atom property, Atom type) const
{
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> out;
    if (XGetWindowProperty(dpy, window, property, 0, 0x10000, False, type, &actualType, &format, &count,
                           &after, &data) == Success
        && data && format == 32 && actualType == type) {
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
    if (XGetWindowProperty(dpy, window, netWmName, 0, 0x10000, False, utf8String, &actualType, &format, &count,
                           &after, &data) == Success
        && data && format == 8 && actualType == utf8String) {
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
                if (!XGetWindowAttributes(dpy, children[i], &attributes) || attributes.map_state != IsViewable
                    || attributes.override_redirect)
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
            if (XkbTranslateKeyCode(desc, KeyCode(k), XkbBuildCoreState(mods, state.group), &modsUsed, &sym)
                && producesCharacter(sym, ch)) {
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
        const bool ours = std::any_of(bindings.begin(), bindings.end(), [k](const auto& b) { return b.second == k; });
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
        if (coreKeysym(it->second) == sym)
            return it->second;
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
    XChangeKeyboardMapping(dpy, code, perKey, syms, 1);
    XFree(syms);
    XSync(dpy, False);
    bindings[ch] = code;
    if (xkb) {
        XkbFreeKeyboard(xkb, 0, True);
        xkb = nullptr;
    }
    return code;
}

void Desktop::Impl::renewBindings()
{
    std::vector<char32_t> chars;
    for (const auto& binding : bindings)
        chars.push_back(binding.first);
    for (const char32_t ch : chars)
        boundKey(ch);
}

void Desktop::Impl::pressKey(KeyCode code) const
{
    XTestFakeKeyEvent(dpy, code, True, CurrentTime);
    XTestFakeKeyEvent(dpy, code, False, CurrentTime);
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
    if (!impl->keyboard()) {
        XCloseDisplay(dpy);
        impl->dpy = nullptr;
        whyNot = std::string("the X display ") + name + " has no XKEYBOARD extension";
        return nullptr;
    }
    return std::unique_ptr<Desktop>(new Desktop(std::move(impl)));
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

bool Desktop::activate(unsigned long window, int timeoutMs)
{
    if (!window)
        return false;
    g_lastError = 0;
    if (d->wmSupports(d->netActiveWindow)) {
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
    } else {
        d->directFocus(window);
    }
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    const auto deadline = start + std::chrono::milliseconds(timeoutMs);
    bool forced = false;
    while (true) {
        if (d->hasFocus(window))
            return true;
        const auto now = clock::now();
        if (now >= deadline)
            return false;
        // A manager that ignores the request gets the plain request half-way through.
        if (!forced && now - start >= std::chrono::milliseconds(timeoutMs / 2)) {
            d->directFocus(window);
            forced = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool Desktop::type(const std::u32string& text)
{
    handlePendingEvents();
    const KeyCode shiftKey = XKeysymToKeycode(d->dpy, XK_Shift_L);
    for (const char32_t ch : text) {
        KeyCode code = 0;
        bool shift = false;
        if (!d->findKey(ch, code, shift)) {
            code = d->boundKey(ch);
            shift = false;
        }
        if (!code) {
            XSync(d->dpy, False);
            return false;
        }
        if (shift)
            XTestFakeKeyEvent(d->dpy, shiftKey, True, CurrentTime);
        d->pressKey(code);
        if (shift)
            XTestFakeKeyEvent(d->dpy, shiftKey, False, CurrentTime);
    }
    XSync(d->dpy, False);
    return true;
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

} // namespace bv::x11
