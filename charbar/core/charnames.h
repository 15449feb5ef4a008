// SPDX-License-Identifier: GPL-3.0-or-later
// The Unicode names of the characters (COPYRIGHT SIGN for ©), which a screen reader reads for
// the grid's cells and the bar's buttons, from ICU's copy of the Unicode character database.
#pragma once

#include <QString>

namespace bv::quill {

// The character's Unicode name, "" for one without a name (the control codes).
QString unicodeName(char32_t codePoint);
// The name of the character a Windows-1252 code stands for, "" where it stands for none.
QString nameForCode(int code);

} // namespace bv::quill
