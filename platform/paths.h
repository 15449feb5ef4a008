// SPDX-License-Identifier: GPL-3.0-or-later
// Path helpers. A path is a QByteArray of native bytes: it is what finds the file. Text for a
// window or a log is derived from it (displayPath) and never used to find the file again.
// The separator is "/"; a folder path has no trailing separator except a root.
#pragma once

#include <QByteArray>
#include <QString>

namespace bv {

// Folder joined with a name, with exactly one separator between them.
QByteArray joinPath(const QByteArray& folder, const QByteArray& name);

// True when the path already ends with a separator ("/" or a mount point given with one).
bool endsWithSeparator(const QByteArray& path);

// The path as text for display, never able to show as another name: bytes that are not UTF-8
// become U+FFFD, and control characters, line and paragraph separators and the controls of
// bidirectional text are shown as "\u" and four hex digits (see visibleText).
QString displayPath(const QByteArray& path);

// Text with the characters that would make it show as other text written out visibly: the line
// and paragraph separators U+2028 and U+2029 (a label or a text view breaks the line there and
// hides the rest) and the bidirectional controls U+200E, U+200F, U+061C, U+202A to U+202E and
// U+2066 to U+2069 (they reorder what follows: "b-invoice" U+202E "fdp.sh" shows as
// "b-invoicehs.pdf"). U+202E becomes "\u202E". Line breaks and other control characters are
// kept: a message text has its own lines. Returns the text unchanged (no copy) when there is
// nothing to show.
QString visibleText(const QString& text);

// The path as native bytes from text a user picked or typed.
QByteArray nativePath(const QString& text);

// The long form: the path when it exists (without following a final symbolic link), "" otherwise.
QByteArray longPathName(const QByteArray& path);

// The real path of a folder the user chose (a symbolic link chosen as the start is followed);
// "" when it does not exist or is not a folder.
QByteArray resolveFolder(const QByteArray& path);

// The last component of a path, and the folder in front of it.
QByteArray baseName(const QByteArray& path);
QByteArray folderOf(const QByteArray& path);

} // namespace bv
