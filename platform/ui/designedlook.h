// SPDX-License-Identifier: GPL-3.0-or-later
// One look under any desktop theme. The windows draw fixed colours of their own (white panels,
// red counters, black text, the greys of their design) over the toolkit's palette. A desktop
// theme that brings its own palette (a dark GTK theme through Qt's GTK platform theme, say) would
// turn only the controls that take their colours from it dark, around panels that stay white: a
// look that is neither the designed one nor the desktop's. Both programs therefore draw every
// control with one palette, the light one the windows were designed and pictured in, and with
// the Fusion style, whatever the theme. Fonts stay the desktop's: a larger font is a need, not a
// look.
#pragma once

#include <QPalette>

namespace bv {

// The palette of the design: Qt's light Fusion palette, every role of every colour group set.
QPalette designedPalette();

// Makes designedPalette() and Fusion the application's, also for the kinds of control a
// platform theme gives palettes of their own (buttons, inputs, menus, message texts, tooltips).
// Call once, after the QApplication is made and before any window is.
void useDesignedLook();

} // namespace bv
