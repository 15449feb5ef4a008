// SPDX-License-Identifier: GPL-3.0-or-later
// The character set of Quillbar's buttons: codes 0 to 255 of the Windows-1252 code page, which
// the settings file stores and the grid shows, mapped to the Unicode characters typed and shown.
#pragma once

#include <QString>

namespace bv::quill {

// The character a code stands for, or "" where it stands for none that a button may carry:
// the control codes 0-31 and 127, the five codes the code page leaves undefined (129, 141,
// 143, 144, 157) and anything outside 0-255.
QString characterForCode(int code);

// True when a button may carry the code (characterForCode gives a character).
bool isAssignableCode(int code);

// The code of a character, or -1 when the code page has none for it.
int codeForCharacter(QChar ch);

} // namespace bv::quill
