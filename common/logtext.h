// SPDX-License-Identifier: GPL-3.0-or-later
// The text of a log read back from disk.
//
// Logs written here are UTF-8. A log saved by the Windows version of the program is in the
// ANSI code page, Windows-1252, which is not UTF-8 as soon as it holds an accented letter or a
// typographic quote. A file that is UTF-8 throughout is read as UTF-8, anything else as
// Windows-1252, so an old log shows its names instead of replacement characters.
//
// Logs written here escape line separators and bidirectional controls; a log from elsewhere
// may hold them as they are, and a viewer would break a line there or show a name reversed.
// They come back written out ("\u202E"), as every window shows them (platform/paths.h).
#pragma once

#include <QByteArray>
#include <QString>

namespace bv {

QString decodeLogText(const QByteArray& bytes);

} // namespace bv
