// SPDX-License-Identifier: GPL-3.0-or-later
// A window's controls as data: one table per window, one builder that turns it into widgets.
//
// A LayoutTable holds the window itself (its name, title, client size, font and background) and
// one ControlSpec per control, in the order the controls are made, which is also their stacking
// order (a later control lies over an earlier one). A row says what the design says of the
// control: its object name (the control's name in the design: tests, automation and readers of
// the tables find it by that name), its kind, its caption, its place and size in twips, its
// font, its colours, its place in the tab order and a few looks (hidden at first, word wrap,
// centred, a border). The window's code only connects the controls and fills in their values;
// it never places one.
//
// Because the layout is data, the checks that must hold for every window run over the tables
// themselves (tests/app/layout_tables_test.cpp): every control has a name of its own, every
// caption fits its box, every control a user can reach is named for a screen reader. Each
// feature lists its windows' tables in its entry of the feature table (app/ui/features.h).
//
// How a row reads:
//
//     {"Label4_1", Kind::Label, {45, 2730, 2115, 255}, "Number Of Files Scanned:"},
//     {"Drive1", Kind::DriveList, {2085, 1560, 1965, 330}, "", kWindowFont, {}, 1},
//     {"DummyFlood", Kind::Box, {225, 2370, 4590, 300}, "", kArial825, {kBlack, kNavy}, 0, Hidden | Border},
//
// A width or height of 0 makes the control as wide or as high as its caption.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QRgb>
#include <QWidget>

#include <cstdint>
#include <span>

namespace bv {

namespace layout {

// The fonts of the design (platform/ui/fonts.h says what each resolves to here).
enum class Family : std::uint8_t {
    Window, // the window's own font: the control sets none
    Arial,
    Sans, // "MS Sans Serif", "Small Fonts"
    Terminal,
};

struct Font
{
    Family family = Family::Window;
    double points = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

inline constexpr Font kWindowFont{};
inline constexpr Font kArial825{Family::Arial, 8.25};
inline constexpr Font kArial825Bold{Family::Arial, 8.25, true};
inline constexpr Font kArial825Italic{Family::Arial, 8.25, false, true};
inline constexpr Font kArial9Bold{Family::Arial, 9, true};

// A colour of the design (opaque RGB), or none: the style's own. No colour of the design is
// transparent, so the transparent 0 stands for none.
inline constexpr QRgb kNoColour = 0;
inline constexpr QRgb kBlack = 0xFF000000u;
inline constexpr QRgb kWhite = 0xFFFFFFFFu;
inline constexpr QRgb kLightGrey = 0xFFC0C0C0u;
inline constexpr QRgb kDarkGrey = 0xFF808080u;
inline constexpr QRgb kNavy = 0xFF000080u;
inline constexpr QRgb kOlive = 0xFF808000u;
inline constexpr QRgb kRed = 0xFFFF0000u;
inline constexpr QRgb kBlue = 0xFF0000FFu;

struct Colours
{
    QRgb text = kNoColour; // the caption's colour (a disabled control keeps the style's grey)
    QRgb back = kNoColour; // a filled background
};

enum class Kind : std::uint8_t {
    Label,      // a caption or a figure (QLabel)
    Box,        // a filled rectangle: a legend square, a bar (QLabel without text)
    Button,     // QPushButton
    CheckBox,   // QCheckBox
    LineEdit,   // QLineEdit
    ComboBox,   // an editable QComboBox
    PatternBox, // a file-pattern box of the search panels (common/ui/patternboxes.h)
    DriveList,  // common/ui/drivelist.h
    DirList,    // common/ui/dirlist.h
    ClickLabel, // a picture's click target, pressed like a button (platform/ui/clicklabel.h)
    TextView,   // a read-only page of text that scrolls (QPlainTextEdit)
};

// Looks, combined with |.
enum Look : std::uint16_t {
    Plain = 0,
    Hidden = 1 << 0,     // not shown until the window shows it
    WordWrap = 1 << 1,   // the caption breaks into lines inside its box
    CentreTop = 1 << 2,  // the caption centred at the top of its box
    LeftTop = 1 << 3,    // the caption at the top left of its box (a label's default is left, centred up and down)
    Border = 1 << 4,     // a single black line round the box
    NotDefault = 1 << 5, // a button that Enter never presses by itself
    Condensed = 1 << 6,  // a caption wider than its box is condensed to fit (platform/ui/fonts.h)
    PlainText = 1 << 7,  // the caption is never read as markup (it will hold file names)
    Centred = 1 << 8,    // the caption centred in its box, both ways
};

// A place and size in twips (1/1440 inch); platform/twips.h converts.
struct TwipRect
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct ControlSpec
{
    const char* name = ""; // the object name: the control's name in the design
    Kind kind = Kind::Label;
    TwipRect rect{};
    const char* caption = ""; // UTF-8; "&" marks a button's or check box's access key
    Font font = kWindowFont;
    Colours colours{};
    int tab = 0;                  // place in the window's tab order, from 1; 0: none of its own
    std::uint16_t looks = Plain;  // Look bits
    const char* names = nullptr;  // a caption: the control it names for screen readers (its buddy)
    const char* spoken = nullptr; // what a screen reader calls a control no caption names
};

// The window itself.
struct FormSpec
{
    const char* name = "";  // the window's object name
    const char* title = ""; // its caption bar
    int width = 0;          // client area, in twips
    int height = 0;
    Font font = kWindowFont;
    QRgb back = kNoColour;
};

struct LayoutTable
{
    FormSpec form;
    std::span<const ControlSpec> controls;
};

} // namespace layout

using layout::LayoutTable;

// The controls a table made, found by their names.
class Controls
{
public:
    // The control of that name, as the type its kind makes (QLabel, QPushButton, DriveList,
    // ...). A name the table does not hold, or another type, is a programming error: it stops
    // the program with the name, so a window and its table cannot drift apart unnoticed.
    template <class Widget> Widget* get(const char* name) const
    {
        auto* w = qobject_cast<Widget*>(find(name));
        if (!w)
            missing(name);
        return w;
    }
    QWidget* find(const char* name) const { return m_byName.value(QByteArray(name)); }

private:
    friend Controls buildLayout(QWidget* parent, const LayoutTable& table);
    [[noreturn]] static void missing(const char* name);
    QHash<QByteArray, QWidget*> m_byName;
};

// Sets up `window` as the table's form says (name, title, fixed client size, font, background).
void applyForm(QWidget* window, const LayoutTable& table);
// Makes the table's controls as children of `parent`, in table order, and sets the tab order.
Controls buildLayout(QWidget* parent, const LayoutTable& table);

} // namespace bv
